// The page field: one puzzle drawn as a raster picture for the printed page.
#pragma once

#include "core/game_state.h"
#include "play/raster.h" // resizedPicture: page fields are set up with it, width first

#include <QImage>
#include <QString>

namespace vantrell {

// Side of the page-field picture of an n x n board: 45 pixels a cell and a border of
// 5 pixels above and left, 15 below and right, where the footer goes.
constexpr int pageFieldSide(int n) { return 45 * n + 20; }

// Draws the puzzle of state (its given cells, as decimal digits whatever the element set)
// onto picture, which must already be pageFieldSide(groesse) square. The footer is
// footerLong on pictures wider than 225 pixels and footerShort on smaller ones.
void drawPageFieldInto(QImage &picture, const GameState &state, const QString &footerLong,
                       const QString &footerShort);

// A white picture of the right size with the puzzle of state drawn on it.
QImage drawPageField(const GameState &state, const QString &footerLong, const QString &footerShort);

} // namespace vantrell
