#pragma once

#include "ui/WindowHandle.h"

namespace fen {

class Scene;
class ShellPlatform;

// The first connected scene that is in front and active; none when the program is in the back.
Scene* foregroundActiveWindowScene(const ShellPlatform& platform);
// The key window of that scene, which sheets and alerts are shown from when no window is at
// hand; none when that scene's window is not the key window.
Scene* currentKeyWindow(const ShellPlatform& platform);

} // namespace fen
