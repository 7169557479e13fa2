// Checks on generated grids shared by several tests.
#pragma once

#include "core/game_state.h"

#include <set>

namespace vantrell::testing {

// Every column and row of the n x n board holds each of 1..n once.
inline bool isLatinSquare(const Grid &g, int n)
{
    for (int a = 1; a <= n; ++a) {
        std::set<int> column, row;
        for (int b = 1; b <= n; ++b) {
            column.insert(g(a, b));
            row.insert(g(b, a));
        }
        if (column.size() != static_cast<std::size_t>(n) || row.size() != static_cast<std::size_t>(n)
            || *column.begin() != 1 || *column.rbegin() != n || *row.begin() != 1 || *row.rbegin() != n)
            return false;
    }
    return true;
}

inline bool blocksValid(const Grid &g)
{
    for (int bx = 0; bx < 3; ++bx)
        for (int by = 0; by < 3; ++by) {
            std::set<int> seen;
            for (int i = 1; i <= 3; ++i)
                for (int j = 1; j <= 3; ++j)
                    seen.insert(g(3 * bx + i, 3 * by + j));
            if (seen.size() != 9)
                return false;
        }
    return true;
}

inline int countNonZero(const Grid &g)
{
    int count = 0;
    for (int x = 1; x <= kMaxSide; ++x)
        for (int y = 1; y <= kMaxSide; ++y)
            count += g(x, y) != 0;
    return count;
}

} // namespace vantrell::testing
