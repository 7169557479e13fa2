// Where the page fields go on the printed page.
#pragma once

#include <QRect>

#include <vector>

namespace vantrell {

// A target square in device pixels of the printable area; right and bottom are the first
// pixels outside it.
struct PageSquare {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const PageSquare &) const = default;
    QRect toRect() const { return QRect(QPoint(left, top), QSize(right - left, bottom - top)); }
};

// The squares for count page fields (1, 2 or 6) on a printable area of width x height
// device pixels, in page-field order. Any other count, and a page too small to hold a
// square, gives none.
std::vector<PageSquare> printerSquares(int count, int width, int height);

} // namespace vantrell
