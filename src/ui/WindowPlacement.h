#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace vo {

// Where a window opens on a screen whose free area (without panels and docks) is `available`:
// its client area gets the wanted size, shrunk until it fits together with the window frame
// around it but never below `minimum`, and is centred; the frame never starts above or left of
// the free area, so the title bar stays reachable even when the window cannot fit. Returns
// the client area in screen coordinates; everything in the screen's device-independent pixels.
QRect placeWindow(QSize wanted, QSize minimum, const QMargins &frame, const QRect &available);

// The window manager's frame is not known before a window is first mapped; this is room
// enough for the usual title bar and borders.
inline constexpr QMargins kFrameAllowance(4, 32, 4, 4);

} // namespace vo
