// The state of the one game the main window plays at a time.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>

namespace vantrell {

inline constexpr int kMaxSide = 9;

// 9x9 signed 32-bit cells addressed (x, y), both 1-based; x is the column.
// Storage is x-major: column 1 (y = 1..9), then column 2, and so on.
class Grid {
public:
    std::int32_t &operator()(int x, int y) { return cells_[index(x, y)]; }
    std::int32_t operator()(int x, int y) const { return cells_[index(x, y)]; }
    void clear() { cells_.fill(0); }
    bool operator==(const Grid &) const = default;

private:
    static std::size_t index(int x, int y)
    {
        assert(x >= 1 && x <= kMaxSide && y >= 1 && y <= kMaxSide);
        return static_cast<std::size_t>((x - 1) * kMaxSide + (y - 1));
    }
    std::array<std::int32_t, kMaxSide * kMaxSide> cells_{};
};

// One byte per cell and sub-square: [x][y][sx][sy], all 1-based. Sub-square (sx, sy)
// stands for the value v = (sy - 1) * 3 + sx, so the values read 1 2 3 / 4 5 6 / 7 8 9.
class FlagSet {
public:
    std::uint8_t &operator()(int x, int y, int sx, int sy) { return bytes_[index(x, y, sx, sy)]; }
    std::uint8_t operator()(int x, int y, int sx, int sy) const { return bytes_[index(x, y, sx, sy)]; }
    // The flag of value v (1..9) in cell (x, y).
    std::uint8_t &value(int x, int y, int v) { return (*this)(x, y, subX(v), subY(v)); }
    std::uint8_t value(int x, int y, int v) const { return (*this)(x, y, subX(v), subY(v)); }
    void clear() { bytes_.fill(0); }
    bool operator==(const FlagSet &) const = default;

    static int subX(int v) { return (v - 1) % 3 + 1; }
    static int subY(int v) { return (v - 1) / 3 + 1; }
    static int valueAt(int sx, int sy) { return (sy - 1) * 3 + sx; }

private:
    static std::size_t index(int x, int y, int sx, int sy)
    {
        assert(x >= 1 && x <= kMaxSide && y >= 1 && y <= kMaxSide);
        assert(sx >= 1 && sx <= 3 && sy >= 1 && sy <= 3);
        return static_cast<std::size_t>(((x - 1) * kMaxSide + (y - 1)) * 9 + (sx - 1) * 3 + (sy - 1));
    }
    std::array<std::uint8_t, kMaxSide * kMaxSide * 9> bytes_{};
};

struct GameState {
    // 1 = classic 9x9 with 3x3 blocks; 3..9 = free board of that side. 0 before the first game.
    std::int32_t spielart = 0;
    std::int32_t groesse = 0;    // side length n
    std::int32_t aufgedeckt = 0; // number of given cells
    char elemente = 0;           // element set letter R, B, S, K or C; 0 before the first game

    Grid loesung; // the solved grid
    Grid vorgabe; // the given cells
    Grid eingabe; // the player's grid

    FlagSet markierungen; // 1 = candidate struck out by the player (or preset for v > n)
    FlagSet gesperrt;     // 1 = value not part of the running game

    // Clears the grids whose flag equals 1; always clears the marks, never the locks.
    void AufNullSetzen(std::int32_t clearLoesung, std::int32_t clearEingabe, std::int32_t clearVorgabe);
};

} // namespace vantrell
