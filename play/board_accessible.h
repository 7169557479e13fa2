// The board as a screen reader sees it: a table of n x n cells, each named by its row,
// column and what it shows.
#pragma once

namespace vantrell {

// Installs the board's accessible interface (once).
void installBoardAccessibility();

// The index of cell (x, y) among the table's children: row by row, as tables count.
inline int boardCellIndex(int n, int x, int y) { return (y - 1) * n + (x - 1); }

} // namespace vantrell
