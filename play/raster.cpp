#include "play/raster.h"

#include <QPainter>

namespace vantrell {
namespace {

// First pixel a line of this width covers across its direction.
int firstAcross(int c, int width) { return c - width / 2; }

} // namespace

void drawVerticalLine(QPainter &p, int x, int y0, int y1, int width, const QColor &colour)
{
    if (y1 <= y0 || width <= 0)
        return;
    p.fillRect(QRect(firstAcross(x, width), y0, width, y1 - y0), colour);
}

void drawHorizontalLine(QPainter &p, int y, int x0, int x1, int width, const QColor &colour)
{
    if (x1 <= x0 || width <= 0)
        return;
    p.fillRect(QRect(x0, firstAcross(y, width), x1 - x0, width), colour);
}

void drawVerticalLine(QImage &picture, int x, int y0, int y1, int width, const QColor &colour)
{
    QPainter p(&picture);
    drawVerticalLine(p, x, y0, y1, width, colour);
}

void drawHorizontalLine(QImage &picture, int y, int x0, int x1, int width, const QColor &colour)
{
    QPainter p(&picture);
    drawHorizontalLine(p, y, x0, x1, width, colour);
}

QImage whitePicture(int width, int height)
{
    QImage picture(qMax(width, 0), qMax(height, 0), QImage::Format_RGB32);
    picture.fill(Qt::white);
    return picture;
}

QImage resizedPicture(const QImage &picture, int width, int height)
{
    QImage resized = whitePicture(width, height);
    if (!picture.isNull() && !resized.isNull()) {
        QPainter p(&resized);
        p.drawImage(0, 0, picture);
    }
    return resized;
}

} // namespace vantrell
