#pragma once

class QWidget;
class QWindow;

namespace fen {

class Scene;
class ShellPlatform;

// The first connected scene that is in front and active; none when the program is in the back.
Scene* foregroundActiveWindowScene(const ShellPlatform& platform);
// The key window of that scene, which sheets and alerts are shown from when no window is at
// hand; none when that scene's window is not the key window.
Scene* currentKeyWindow(const ShellPlatform& platform);
// The window-system window behind a window of the program (its top-level's window handle); none
// when the widget has not been shown yet.
QWindow* nsWindowForScene(const QWidget* window);

} // namespace fen
