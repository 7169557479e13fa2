#include "widgets/status_bar.h"

#include "widgets/controls.h"
#include "widgets/keyboard_cues.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>

namespace vantrell {

StatusBar::Pacer::Pacer(StatusBar *bar, int intervalMs, void (StatusBar::*act)(int))
    : bar_(bar), act_(act), timer_(new QTimer(bar)), pending_(std::size_t(bar->panelCount()), false)
{
    timer_->setSingleShot(true);
    timer_->setInterval(intervalMs);
    QObject::connect(timer_, &QTimer::timeout, bar, [this] {
        bool any = false;
        for (std::size_t i = 0; i < pending_.size(); ++i)
            if (pending_[i]) {
                pending_[i] = false;
                any = true;
                (bar_->*act_)(int(i));
            }
        if (any)
            timer_->start();
    });
}

void StatusBar::Pacer::changed(int index)
{
    if (timer_->isActive()) {
        pending_[std::size_t(index)] = true;
        return;
    }
    (bar_->*act_)(index);
    timer_->start();
}

StatusBar::StatusBar(std::vector<int> panelWidths, QWidget *parent) : QWidget(parent), widths_(std::move(panelWidths))
{
    for (std::size_t i = 0; i < widths_.size(); ++i)
        texts_ << QString();
    setMouseTracking(true);
}

void StatusBar::announce(int index)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(this, QAccessible::NameChanged);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

QString StatusBar::panelText(int index) const { return texts_.value(index); }

void StatusBar::setPanelText(int index, const QString &text)
{
    if (index < 0 || index >= texts_.size() || texts_[index] == text)
        return;
    texts_[index] = text;
    update(panelRect(index));
    announcing_.changed(index);
}

int StatusBar::panelLeft(int index) const
{
    int left = 0;
    for (int i = 0; i < index && i < panelCount(); ++i)
        left += widths_[std::size_t(i)];
    return left;
}

int StatusBar::panelWidth(int index) const
{
    if (index < 0 || index >= panelCount())
        return 0;
    return index == panelCount() - 1 ? qMax(0, width() - panelLeft(index)) : widths_[std::size_t(index)];
}

QRect StatusBar::panelRect(int index) const { return QRect(panelLeft(index), 0, panelWidth(index), height()); }

void StatusBar::setLinkPanel(int index)
{
    linkPanel_ = index;
    setFocusPolicy(index >= 0 ? Qt::TabFocus : Qt::NoFocus);
}

void StatusBar::keyPressEvent(QKeyEvent *event)
{
    if (linkPanel_ < 0 || !isActivationKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        emit clickedAt(panelLeft(linkPanel_));
}

void StatusBar::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
    // What has the focus is the link: a screen reader hears of it after the bar's own event.
    if (linkPanel_ >= 0 && QAccessible::isActive())
        QTimer::singleShot(0, this, [this] {
            if (!hasFocus())
                return;
            QAccessibleEvent focused(this, QAccessible::Focus);
            focused.setChild(linkPanel_);
            QAccessible::updateAccessibility(&focused);
        });
}

void StatusBar::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

int StatusBar::panelAt(int x) const
{
    if (x < 0 || x >= width())
        return -1;
    int sum = 0;
    for (int i = 0; i < panelCount(); ++i) {
        sum += widths_[static_cast<std::size_t>(i)];
        if (x < sum || i == panelCount() - 1)
            return i;
    }
    return -1;
}

void StatusBar::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Mid);
    for (int i = 0; i < panelCount(); ++i) {
        const QRect panel = panelRect(i);
        if (!event->rect().intersects(panel))
            continue;
        const QRect r(panel.left(), 1, panel.width() - 2, height() - 2);
        p.setPen(dark);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(light);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, texts_[i]);
    }
    if (linkPanel_ >= 0 && showsFocusCue(this))
        drawFocusFrame(p, QRect(panelLeft(linkPanel_) + 1, 2, panelWidth(linkPanel_) - 4, height() - 4));
}

void StatusBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clickedAt(event->position().toPoint().x());
}

void StatusBar::mouseMoveEvent(QMouseEvent *event) { emit mouseMovedTo(event->position().toPoint().x()); }

} // namespace vantrell
