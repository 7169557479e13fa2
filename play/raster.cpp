#include "play/raster.h"

#include <QPaintEngine>
#include <QPainter>

namespace vantrell {
namespace {

// First pixel a line of this width covers across its direction.
int firstAcross(int c, int width) { return c - width / 2; }

// Fills line, a rectangle in the painter's coordinates. Drawn at a scale on a raster
// picture (a screen of a higher pixel ratio), it covers whole pixels: its ends rounded,
// its breadth its width times the scale, rounded, at least a pixel, and centred where the
// exact line is. So equal lines stay equal wherever they lie (otherwise one would get a
// pixel more than the next), and none reaches past its exact place by more than half a
// pixel. Unscaled, and on a printer, it is filled as it is.
void fillLine(QPainter &p, const QRect &line, bool vertical, const QColor &colour)
{
    const QTransform toDevice = p.deviceTransform();
    const bool scaled = toDevice.type() == QTransform::TxScale && toDevice.m11() > 0 && toDevice.m22() > 0;
    if (!scaled || !p.paintEngine() || p.paintEngine()->type() != QPaintEngine::Raster) {
        p.fillRect(line, colour);
        return;
    }
    const QRectF exact = toDevice.mapRect(QRectF(line));
    const auto across = [](qreal from, qreal to, int breadth) { return qRound((from + to - breadth) / 2); };
    QRect pixels;
    if (vertical) {
        const int breadth = qMax(1, qRound(line.width() * toDevice.m11()));
        const int top = qRound(exact.top());
        pixels = QRect(across(exact.left(), exact.right(), breadth), top, breadth, qRound(exact.bottom()) - top);
    } else {
        const int breadth = qMax(1, qRound(line.height() * toDevice.m22()));
        const int left = qRound(exact.left());
        pixels = QRect(left, across(exact.top(), exact.bottom(), breadth), qRound(exact.right()) - left, breadth);
    }
    p.save();
    p.setWorldTransform(QTransform()); // what stays maps to the device (its pixel ratio)
    p.fillRect(p.deviceTransform().inverted().mapRect(QRectF(pixels)), colour);
    p.restore();
}

} // namespace

void drawVerticalLine(QPainter &p, int x, int y0, int y1, int width, const QColor &colour)
{
    if (y1 <= y0 || width <= 0)
        return;
    fillLine(p, QRect(firstAcross(x, width), y0, width, y1 - y0), true, colour);
}

void drawHorizontalLine(QPainter &p, int y, int x0, int x1, int width, const QColor &colour)
{
    if (x1 <= x0 || width <= 0)
        return;
    fillLine(p, QRect(x0, firstAcross(y, width), x1 - x0, width), false, colour);
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
