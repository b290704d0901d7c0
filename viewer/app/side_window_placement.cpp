#include "side_window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <climits>

namespace chatscope {

namespace {

constexpr const char* kFrameCheckName = "sideWindowFrameCheck";

// The frame as the window system reports it now (a widget's frameGeometry()
// may hold an older answer until the window next moves).
QMargins FrameMargins(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

int DesktopRight(const QWidget& mainWindow) {
    QScreen* screen = mainWindow.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return INT_MAX;
    const QRect desktop = screen->geometry();
    return desktop.x() + desktop.width();
}

void Place(QWidget& window, const QWidget& mainWindow, const QMargins& frame) {
    const QRect mainFrame = mainWindow.geometry().marginsAdded(FrameMargins(mainWindow));
    window.setGeometry(SideWindowGeometry(mainFrame, window.size(), frame, DesktopRight(mainWindow)));
}

// Waits until a side window placed with a guessed frame has been framed by the
// window manager (it has appeared and its frame is known) and places it again
// if the frame is not the one guessed. Gives up when the window is hidden.
class FrameCheck : public QObject {
public:
    FrameCheck(QWidget& window, const QWidget& mainWindow, const QMargins& guess)
        : QObject(&window), window_(window), mainWindow_(mainWindow), guess_(guess) {
        setObjectName(QLatin1String(kFrameCheckName));
        window.windowHandle()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide) {
            Done(watched);
        } else if (window_.isVisible() && window_.windowHandle()->isExposed()) {
            const QMargins frame = FrameMargins(window_);
            if (!frame.isNull()) {
                Done(watched);
                if (frame != guess_) Place(window_, mainWindow_, frame);
            }
        }
        return false;
    }

private:
    void Done(QObject* watched) {
        watched->removeEventFilter(this);
        setObjectName(QString());
        deleteLater();
    }

    QWidget& window_;
    const QWidget& mainWindow_;
    QMargins guess_;
};

}  // namespace

QRect SideWindowGeometry(const QRect& mainFrame, QSize size, const QMargins& frame, int desktopRight) {
    const int outerWidth = frame.left() + size.width() + frame.right();
    int left = mainFrame.x() + mainFrame.width();
    if (left + outerWidth >= desktopRight) left = desktopRight - outerWidth;
    return {QPoint(left + frame.left(), mainFrame.y() + frame.top()), size};
}

void PlaceBeside(QWidget& window, const QWidget& mainWindow) {
    QMargins frame = FrameMargins(window);
    if (frame.isNull() && window.windowHandle()) {
        // Not framed yet: guess from the main window, and check when it appears.
        frame = FrameMargins(mainWindow);
        if (!frame.isNull() && !window.findChild<QObject*>(QLatin1String(kFrameCheckName), Qt::FindDirectChildrenOnly))
            new FrameCheck(window, mainWindow, frame);
    }
    Place(window, mainWindow, frame);
}

}  // namespace chatscope
