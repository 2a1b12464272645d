#pragma once

namespace fen::ui {

// The length of the program's default animation (a tab bar sliding, for instance), in
// milliseconds. Tests set 0 so that every animated state is final at once.
int animationDuration();
void setAnimationDuration(int milliseconds);

} // namespace fen::ui
