#include "app/views_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "app/main_frame.h"
#include "machine/window_scale.h"

namespace app {

void CentreOverMainFrame(QWidget* dialog) {
    QRect ref;
    if (MainFrame != nullptr && MainFrame != dialog)
        ref = MainFrame->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        ref = screen->availableGeometry();
    else
        return;
    const WinRect reference{ref.left(), ref.top(), ref.left() + ref.width(), ref.top() + ref.height()};
    const QRect g = dialog->frameGeometry();
    WinRect window{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    if (!PlaceOverWindow(reference, window, 2)) return;
    dialog->move(window.left, window.top);
    // Centred over the main window, and wholly on the screen.
    const QRect c = dialog->geometry();
    const WinRect client{c.left(), c.top(), c.left() + c.width(), c.top() + c.height()};
    const WinRect kept = KeepOnScreen(client, ScreenWidth(), ScreenHeight());
    if (!(kept == client)) dialog->setGeometry(kept.left, kept.top, kept.Width(), kept.Height());
}

} // namespace app
