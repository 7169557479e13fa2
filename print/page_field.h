// The page field: one puzzle drawn as a raster picture for the printed page.
#pragma once

#include "core/game_state.h"
#include "core/settings.h"
#include "play/raster.h" // resizedPicture: page fields are set up with it, width first

#include <QImage>
#include <QString>

#include <vector>

class QPainter;

namespace vantrell {

// Side of the page-field picture of an n x n board: kCellPixels a cell and a border of
// 5 pixels above and left, 15 below and right, where the footer goes.
constexpr int pageFieldSide(int n) { return kCellPixels * n + 20; }

// What a page field shows, kept beside its picture so the printer can draw the same puzzle
// at its own resolution instead of stretching the screen picture.
struct PageFieldPuzzle {
    int groesse = 0;
    int spielart = 0;
    std::vector<int> givens; // cell (x, y) at (x - 1) * groesse + (y - 1); 0 where none is given
    QString footerLong;
    QString footerShort;

    // A side the game knows and one value per cell: anything else is not drawn.
    bool isValid() const;
    bool operator==(const PageFieldPuzzle &) const = default;
};

// The puzzle of state (its given cells, as decimal digits whatever the element set).
PageFieldPuzzle pageFieldPuzzle(const GameState &state, const QString &footerLong, const QString &footerShort);

// Draws puzzle in page-field pixels, (0, 0) at the top left of the picture: scale the
// painter to draw it at another size. Nothing falls outside the picture's square. The
// footer is footerLong on pictures wider than 225 pixels and footerShort on smaller ones.
// An invalid puzzle draws nothing.
void drawPageField(QPainter &painter, const PageFieldPuzzle &puzzle);

// Draws the puzzle of state onto picture, which must already be pageFieldSide(groesse)
// square.
void drawPageFieldInto(QImage &picture, const GameState &state, const QString &footerLong,
                       const QString &footerShort);

// A white picture of the right size with the puzzle of state drawn on it.
QImage drawPageField(const GameState &state, const QString &footerLong, const QString &footerShort);
QImage drawPageField(const PageFieldPuzzle &puzzle);

// The puzzle drawn for a screen of a higher device pixel ratio, deviceSize screen pixels
// large (the pixels its control covers), with that ratio set on it: the same page field
// with its lines in whole screen pixels and its digits as sharp as the screen shows them.
QImage drawPageFieldForScreen(const PageFieldPuzzle &puzzle, qreal ratio, QSize deviceSize);

// Whether picture is exactly what puzzle draws, so one may stand for the other.
bool pageFieldShows(const QImage &picture, const PageFieldPuzzle &puzzle);

} // namespace vantrell
