#include "widgets/keyboard_cues.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QtMath>
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
    // The classic focus rectangle: dots with gaps of their size, in whole screen pixels (two
    // at twice the density), on the edge pixels of the area.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    const int dot = qMax(1, qFloor(ratio));
    const int left = qRound(area.left() * ratio), top = qRound(area.top() * ratio);
    const int right = qRound((area.right() + 1) * ratio) - dot, bottom = qRound((area.bottom() + 1) * ratio) - dot;
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    const QColor black(0, 0, 0);
    for (int x = left; x <= right; x += 2 * dot) {
        painter.fillRect(QRect(x, top, dot, dot), black);
        painter.fillRect(QRect(x, bottom, dot, dot), black);
    }
    for (int y = top; y <= bottom; y += 2 * dot) {
        painter.fillRect(QRect(left, y, dot, dot), black);
        painter.fillRect(QRect(right, y, dot, dot), black);
    }
    painter.restore();
}

} // namespace vantrell
