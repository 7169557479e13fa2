#include "widgets/tool_window.h"

#include "widgets/show_window.h"
#include "widgets/x11_connection.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

namespace vantrell {
namespace {

#ifdef VANTRELL_X11
// Qt writes no functions into the Motif hints when a window has no caption buttons, and a
// window manager then allows them all. Only moving is allowed here; the frame keeps its
// border and title.
void writeMotifHints(QWidget *window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection || !window->windowHandle())
        return;
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom == XCB_ATOM_NONE) {
        static const char name[] = "_MOTIF_WM_HINTS";
        const auto cookie = xcb_intern_atom(connection, 0, sizeof name - 1, name);
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        if (!reply)
            return;
        atom = reply->atom;
        std::free(reply);
    }
    enum : std::uint32_t { Functions = 1, Decorations = 2, FunctionMove = 4, DecorBorder = 2, DecorTitle = 8 };
    const std::uint32_t hints[5] = {Functions | Decorations, FunctionMove, DecorBorder | DecorTitle, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()), atom, atom,
                        32, 5, hints);
    xcb_flush(connection);
}
#else
void writeMotifHints(QWidget *) {}
#endif

class CaptionOnlyGuard : public QObject {
public:
    explicit CaptionOnlyGuard(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        switch (event->type()) {
        case QEvent::Show: // the native window exists and is not mapped yet
        case QEvent::WinIdChange:
            writeMotifHints(window);
            break;
        case QEvent::WindowStateChange:
            if (window->isMinimized()) {
                // Queued: the window system is still busy with the minimise.
                QTimer::singleShot(0, window, [guarded = QPointer<QWidget>(window)] {
                    if (guarded && guarded->isVisible() && guarded->isMinimized())
                        showActive(guarded);
                });
            }
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

void keepCaptionOnly(QWidget *window) { new CaptionOnlyGuard(window); }

} // namespace vantrell
