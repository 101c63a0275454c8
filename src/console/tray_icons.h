#pragma once

#include <QIcon>

namespace orlentis {

// The tray's images, drawn rather than loaded: a video camera; the activity frames add one,
// two or three waves above it, so the animation pulses.
inline constexpr int kIconNormal = 142;
inline constexpr int kIconActivity1 = 148;
inline constexpr int kIconActivity2 = 149;
inline constexpr int kIconActivity3 = 150;

// The image of an icon id; ids other than the four above give the normal icon.
QIcon TrayIcon(int id);

}  // namespace orlentis
