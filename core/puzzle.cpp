#include "core/puzzle.h"

#include <algorithm>
#include <bitset>

namespace vantrell {

void Spiel3Vorbereiten(GameState &state, const std::function<int(int)> &random)
{
    const int n = std::clamp(state.groesse, 0, kMaxSide);
    const int count = std::min(state.aufgedeckt, n * n);
    for (int i = 0; i < count; ++i) {
        for (;;) {
            const int x = random(n) + 1;
            const int y = random(n) + 1;
            if (state.vorgabe(x, y) != 0)
                continue;
            state.vorgabe(x, y) = state.loesung(x, y);
            break;
        }
    }
    state.eingabe = state.vorgabe;
}

namespace {

// Collects the values of one unit (column, row or block); false on an empty cell,
// a value outside 1..n or a repeat.
class UnitCheck {
public:
    explicit UnitCheck(int n) : n_(n) {}
    bool add(std::int32_t v)
    {
        if (v < 1 || v > n_ || seen_.test(static_cast<std::size_t>(v)))
            return false;
        seen_.set(static_cast<std::size_t>(v));
        return true;
    }

private:
    int n_;
    std::bitset<kMaxSide + 1> seen_;
};

} // namespace

bool Pruefen(const GameState &state)
{
    const int n = state.groesse;
    if (n < 1 || n > kMaxSide)
        return false;
    for (int a = 1; a <= n; ++a) {
        UnitCheck column(n), row(n);
        for (int b = 1; b <= n; ++b) {
            if (!column.add(state.eingabe(a, b)) || !row.add(state.eingabe(b, a)))
                return false;
        }
    }
    if (state.spielart == 1 && n == kMaxSide) {
        for (int bx = 0; bx < 3; ++bx) {
            for (int by = 0; by < 3; ++by) {
                UnitCheck block(n);
                for (int i = 1; i <= 3; ++i)
                    for (int j = 1; j <= 3; ++j)
                        if (!block.add(state.eingabe(3 * bx + i, 3 * by + j)))
                            return false;
            }
        }
    }
    return true;
}

} // namespace vantrell
