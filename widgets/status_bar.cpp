#include "widgets/status_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace vantrell {

StatusBar::StatusBar(std::vector<int> panelWidths, QWidget *parent) : QWidget(parent), widths_(std::move(panelWidths))
{
    for (std::size_t i = 0; i < widths_.size(); ++i)
        texts_ << QString();
    setMouseTracking(true);
}

QString StatusBar::panelText(int index) const { return texts_.value(index); }

void StatusBar::setPanelText(int index, const QString &text)
{
    if (index < 0 || index >= texts_.size() || texts_[index] == text)
        return;
    texts_[index] = text;
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

void StatusBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Mid);
    int left = 0;
    for (int i = 0; i < panelCount(); ++i) {
        const bool last = i == panelCount() - 1;
        const int w = last ? width() - left : widths_[static_cast<std::size_t>(i)];
        const QRect r(left, 1, w - 2, height() - 2);
        p.setPen(dark);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(light);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, texts_[i]);
        left += w;
    }
}

void StatusBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clickedAt(event->position().toPoint().x());
}

void StatusBar::mouseMoveEvent(QMouseEvent *event) { emit mouseMovedTo(event->position().toPoint().x()); }

} // namespace vantrell
