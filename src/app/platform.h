// The window system the program asks Qt for.
#pragma once
#include <QByteArray>

namespace kelto {

// The program folder carries only Qt's xcb platform. A desktop that names
// another one in QT_QPA_PLATFORM (a Wayland session's "wayland") would get
// no window at all; with xcb as the fallback it gets one through XWayland.
// `requested` is the variable's value; the result is what to set it to
// (unchanged when it is empty or already names xcb).
QByteArray PlatformWithFallback(const QByteArray& requested);

} // namespace kelto
