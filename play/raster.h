// Pixel-exact drawing on raster pictures. Lines are axis-parallel and drawn as filled
// rectangles: a line from A to B covers A up to B with B excluded; across its direction
// width 1 at c covers c, width 2 covers c-1 and c, width 3 covers c-1, c and c+1. On a
// raster picture drawn at a scale, every line is whole pixels wide, one width alike.
#pragma once

#include <QColor>
#include <QImage>

class QPainter;

namespace vantrell {

void drawVerticalLine(QPainter &painter, int x, int y0, int y1, int width, const QColor &colour);
void drawHorizontalLine(QPainter &painter, int y, int x0, int x1, int width, const QColor &colour);
// The same on a picture, for a line or two; many lines share one painter instead.
void drawVerticalLine(QImage &picture, int x, int y0, int y1, int width, const QColor &colour);
void drawHorizontalLine(QImage &picture, int y, int x0, int x1, int width, const QColor &colour);

// A new picture, every pixel white. A QImage starts with whatever the memory held, so
// every picture the game keeps or draws on starts here.
QImage whitePicture(int width, int height);

// The picture at a new size: old content stays at the top left, new pixels are white.
QImage resizedPicture(const QImage &picture, int width, int height);

} // namespace vantrell
