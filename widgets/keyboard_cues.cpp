#include "widgets/keyboard_cues.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace vantrell {
namespace {

bool cuesOn = false;

class InputWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
            setKeyboardInUse(true);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            setKeyboardInUse(false);
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

void watchKeyboardUse()
{
    static QPointer<InputWatcher> watcher;
    if (watcher || !qApp)
        return;
    watcher = new InputWatcher(qApp);
    qApp->installEventFilter(watcher);
}

bool keyboardInUse() { return cuesOn; }

void setKeyboardInUse(bool on)
{
    if (cuesOn == on)
        return;
    cuesOn = on;
    // Only the control with the focus draws a cue.
    if (QWidget *focus = QApplication::focusWidget())
        focus->update();
}

bool showsFocusCue(const QWidget *widget) { return cuesOn && widget->hasFocus(); }

void drawFocusFrame(QPainter &painter, const QRect &area)
{
    painter.save();
    QPen pen(QColor(0, 0, 0), 0, Qt::DotLine); // one screen pixel wide at any scale
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.restore();
}

} // namespace vantrell
