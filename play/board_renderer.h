// Drawing the running game onto the board picture.
#pragma once

#include "core/game_state.h"
#include "resources/pictures.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <array>

namespace vantrell {

inline const QColor kBlockLineColour{99, 106, 122};
inline const QColor kCellLineColour{185, 189, 198};
inline const QColor kBoardBrushAfterDrawing{192, 192, 192}; // silver

// The board picture and the brush colour of its canvas: white until the first drawing,
// silver after it.
struct BoardCanvas {
    QImage picture;
    QColor brush{Qt::white};

    // The same board drawn for a screen's device pixel ratio above 1, with that ratio set
    // on it; null at ratio 1. The picture above stays the board at one pixel a pixel.
    QImage devicePicture;
    qreal deviceRatio = 1;
    // Its size: the screen pixels the board covers (empty at ratio 1).
    QSize deviceSize;

    // What the device picture is drawn again from when the ratio changes.
    int preparedSide = 0;
    QColor preparedFill;
    std::array<bool, kMaxSide * kMaxSide> drawnCells{};
    bool linesDrawn = false;
};

// Sizes the picture for a game type, fills the n x n board with the canvas brush and
// draws the outer frame; above ratio 1 the device picture too, deviceSize screen pixels
// large (empty: the picture's size times the ratio, rounded).
void prepareBoard(BoardCanvas &board, std::int32_t spielart, int n, qreal deviceRatio = 1, QSize deviceSize = {});

// Draws the device picture for another ratio (kept between 1 and 4) or another number of
// screen pixels (as in prepareBoard): the prepared board and whatever Ausgabe has drawn on
// it since, from the game state. False when it is drawn so already.
bool setBoardDeviceGeometry(BoardCanvas &board, qreal deviceRatio, QSize deviceSize, const GameState &state,
                            const BoardPictures &pictures);
bool setBoardDeviceRatio(BoardCanvas &board, qreal deviceRatio, const GameState &state, const BoardPictures &pictures);

// The pixels of cell (x, y) between its grid lines on a board of side n, counted in the
// pixels of a screen of that device pixel ratio (the board picture's own pixels at 1).
// deviceSize is what the board control covers on that screen, as handed to
// setBoardDeviceGeometry (empty: the picture's side times the ratio).
QRect cellInterior(int n, int x, int y, qreal deviceRatio, QSize deviceSize = {});

// The work bitmaps of the board drawing.
struct BoardBitmaps {
    QImage zellbild;   // kCellPixels square, the cell picture being drawn
    QImage markenbild; // kMarkPixels square, the mark picture
};

// Redraws the cells x1..x2 by y1..y2 (inclusive; an empty range draws no cell) from the
// picture lists, then the cell grid and the block lines of the whole board; on the device
// picture as well where there is one.
void Ausgabe(BoardCanvas &board, const GameState &state, const BoardPictures &pictures, BoardBitmaps &bitmaps,
             int x1, int x2, int y1, int y2);

} // namespace vantrell
