// Drawing the running game onto the board picture.
#pragma once

#include "core/game_state.h"

#include <QColor>
#include <QImage>

class QObject;

namespace vantrell {

inline const QColor kBlockLineColour{99, 106, 122};
inline const QColor kCellLineColour{185, 189, 198};
inline const QColor kBoardBrushAfterDrawing{192, 192, 192}; // silver

// The board picture and the brush colour of its canvas: white until the first drawing,
// silver after it.
struct BoardCanvas {
    QImage picture;
    QColor brush{Qt::white};
};

// Sizes the picture for a game type, fills the n x n board with the canvas brush and
// draws the outer frame.
void prepareBoard(BoardCanvas &board, std::int32_t spielart, int n);

// The work bitmaps of the board drawing.
struct BoardBitmaps {
    QImage zellbild;   // 45 x 45, the cell picture being drawn
    QImage markenbild; // 15 x 15, the mark picture
};

// Redraws the cells x1..x2 by y1..y2 (inclusive; an empty range draws no cell) from the
// picture lists found by name among listOwner's children, then the cell grid and the
// block lines of the whole board.
void Ausgabe(BoardCanvas &board, const GameState &state, const QObject &listOwner, BoardBitmaps &bitmaps,
             int x1, int x2, int y1, int y2);

} // namespace vantrell
