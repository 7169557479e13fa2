#include "print/printer_layout.h"

#include <algorithm>

namespace vantrell {

namespace {

PageSquare square(int left, int top, int side) { return {left, top, left + side, top + side}; }

} // namespace

std::vector<PageSquare> printerSquares(int count, int width, int height)
{
    switch (count) {
    case 1: {
        // The side comes from the shorter edge: taken from the width alone, the square ran
        // off the bottom of landscape pages.
        const int side = std::min(width, height) - 500;
        if (side <= 0)
            return {};
        return {square(250, 250, side)};
    }
    case 2: {
        const int side = (height - 450) / 2;
        if (side <= 0)
            return {};
        const int left = (width - side) / 2;
        return {square(left, 200, side), square(left, side + 250, side)};
    }
    case 6: {
        const int side = (height - 400) / 3;
        if (side <= 0)
            return {};
        const int left = (width - (2 * side + 50)) / 2;
        const int right = left + side + 50;
        std::vector<PageSquare> squares;
        for (int column : {left, right})
            for (int top : {150, side + 200, 2 * side + 250})
                squares.push_back(square(column, top, side));
        return squares;
    }
    default:
        return {};
    }
}

} // namespace vantrell
