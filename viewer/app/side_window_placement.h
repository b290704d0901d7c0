// Where the statistics window and the settings dialog appear: beside the main
// window, or flush with the right edge of the desktop when they would reach it.
// Edges and widths are the outer (frame) ones, as a window manager draws them.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace chatscope {

// The client rectangle of a side window of client size `size` and frame
// margins `frame`: its outer left edge at the outer right edge of `mainFrame`,
// or its outer right edge on `desktopRight` when it would reach or pass it; its
// outer top at the outer top of `mainFrame`.
QRect SideWindowGeometry(const QRect& mainFrame, QSize size, const QMargins& frame, int desktopRight);

// Places `window` beside `anchor`, the main window (see SideWindowGeometry),
// on the right edge of the anchor's screen. A window manager frames a window
// only when it is first shown, so until then the frame is taken to be like the
// anchor's; should the real frame differ, the window is placed once more when
// it first appears.
void PlaceBeside(QWidget& window, const QWidget& anchor);

}  // namespace chatscope
