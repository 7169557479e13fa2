#include "play/board_view.h"

#include "play/board_accessible.h"
#include "play/board_input.h"
#include "play/board_renderer.h"
#include "widgets/keyboard_cues.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QtMath>

namespace vantrell {

int focusOutlineWidth(qreal deviceRatio) { return qMax(2, qRound(2 * deviceRatio)); }

BoardView::BoardView(QWidget *parent) : PictureBox(parent) {}

int BoardView::side() const { return game_ && drawn_ ? qBound(0, game_->groesse, kMaxSide) : 0; }

void BoardView::setSpeech(const BoardSpeech &speech)
{
    speech_ = speech;
    setAccessibleName(speech.board);
    setAccessibleDescription(speech.keys);
}

QString BoardView::cellName(int x, int y) const
{
    const int n = side();
    if (x < 1 || y < 1 || x > n || y > n)
        return {};
    return spokenCell(*game_, x, y, speech_);
}

bool BoardView::showsOutline() const { return side() > 0 && showsFocusCue(this); }

void BoardView::updateCell(QPoint cell)
{
    const int n = side();
    if (n > 0)
        update(cellInterior(n, cell.x(), cell.y(), 1).adjusted(-2, -2, 2, 2));
}

void BoardView::setFocusCell(int x, int y)
{
    const int n = qMax(1, side());
    const QPoint cell(qBound(1, x, n), qBound(1, y, n));
    if (cell == focus_)
        return;
    updateCell(focus_);
    focus_ = cell;
    updateCell(focus_);
    announceFocusSoon();
}

void BoardView::boardBuilding()
{
    if (!drawn_)
        return;
    drawn_ = false;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

void BoardView::boardStarted()
{
    drawn_ = true;
    focus_ = {1, 1};
    // From the first game on, Tab reaches the board, and a click gives it the focus too, so
    // a player may go on with the keys from where the mouse left off.
    setFocusPolicy(Qt::StrongFocus);
    update();
    if (QAccessible::isActive()) {
        // Another side means other cells: the reader asks for them again.
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
    announceFocusSoon();
}

void BoardView::cellChanged(int x, int y)
{
    const int n = side();
    if (!QAccessible::isActive() || x < 1 || y < 1 || x > n || y > n)
        return;
    QAccessibleEvent event(this, QAccessible::NameChanged);
    event.setChild(boardCellIndex(n, x, y));
    QAccessible::updateAccessibility(&event);
}

void BoardView::announceFocusSoon()
{
    // After the board's own focus event, and once for a click that focuses the board and
    // moves the focus cell at the same time.
    if (announcePending_ || !hasFocus() || !QAccessible::isActive())
        return;
    announcePending_ = true;
    QTimer::singleShot(0, this, [this] {
        announcePending_ = false;
        const int n = side();
        if (!hasFocus() || n < 1)
            return;
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(boardCellIndex(n, focus_.x(), focus_.y()));
        QAccessible::updateAccessibility(&event);
    });
}

void BoardView::paintEvent(QPaintEvent *event)
{
    PictureBox::paintEvent(event);
    if (!showsOutline())
        return;
    // Drawn in the screen's own pixels, inside the cell's grid lines, like the board.
    const qreal ratio = devicePixelRatioF();
    const QRect inner = cellInterior(side(), focus_.x(), focus_.y(), ratio, deviceSize());
    const int w = focusOutlineWidth(ratio);
    QPainter p(this);
    // From the first screen pixel the control covers, where the board picture starts.
    const QPointF origin = p.deviceTransform().map(QPointF(0, 0));
    p.scale(1 / ratio, 1 / ratio);
    p.translate(QPointF(qRound(origin.x()), qRound(origin.y())) - origin);
    p.fillRect(QRect(inner.left(), inner.top(), inner.width(), w), kFocusOutlineColour);
    p.fillRect(QRect(inner.left(), inner.bottom() - w + 1, inner.width(), w), kFocusOutlineColour);
    p.fillRect(QRect(inner.left(), inner.top(), w, inner.height()), kFocusOutlineColour);
    p.fillRect(QRect(inner.right() - w + 1, inner.top(), w, inner.height()), kFocusOutlineColour);
}

void BoardView::keyPressEvent(QKeyEvent *event)
{
    const int n = side();
    const BoardKeyPress press{
        event->key(), event->modifiers(),
        numberRowDigit(QGuiApplication::platformName(), event->nativeScanCode(), event->nativeVirtualKey())};
    const BoardKeyCommand command = boardKeyCommand(press, focus_.x(), focus_.y(), n, game_ ? game_->elemente : 0);
    switch (command.command) {
    case KeyCommand::None:
        PictureBox::keyPressEvent(event);
        return;
    case KeyCommand::Move:
        setFocusCell(command.x, command.y);
        break;
    default:
        emit keyCommand(command, focus_.x(), focus_.y());
        break;
    }
    event->accept();
    updateCell(focus_); // the outline shows from the first key on
}

void BoardView::mousePressEvent(QMouseEvent *event)
{
    // The mouse moves the focus cell without showing it.
    const QPoint at(qFloor(event->position().x()), qFloor(event->position().y()));
    if (const auto hit = locateClick(at.x(), at.y(), side()))
        setFocusCell(hit->x, hit->y);
    PictureBox::mousePressEvent(event);
}

void BoardView::focusInEvent(QFocusEvent *event)
{
    PictureBox::focusInEvent(event);
    announceFocusSoon();
}

} // namespace vantrell
