#include "play/board_input.h"

namespace vantrell {

std::optional<CellHit> locateClick(int px, int py, int n)
{
    if (px < 0 || py < 0 || px >= 45 * n || py >= 45 * n)
        return std::nullopt;
    return CellHit{px / 45 + 1, py / 45 + 1, (px % 45) / 15 + 1, (py % 45) / 15 + 1};
}

void applyClick(GameState &state, BoardButton button, const CellHit &hit)
{
    const int x = hit.x, y = hit.y;
    if (state.vorgabe(x, y) != 0)
        return;
    switch (button) {
    case BoardButton::Left:
        if (state.eingabe(x, y) >= 1 && state.eingabe(x, y) <= 9)
            state.eingabe(x, y) = 0;
        else if (state.gesperrt(x, y, hit.sx, hit.sy) == 0)
            state.eingabe(x, y) = hit.value();
        break;
    case BoardButton::Right:
        if (state.gesperrt(x, y, hit.sx, hit.sy) == 0) {
            auto &mark = state.markierungen(x, y, hit.sx, hit.sy);
            mark = mark == 0 ? 1 : 0;
        }
        break;
    case BoardButton::Middle:
        break;
    }
}

} // namespace vantrell
