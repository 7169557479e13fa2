#include "play/board_input.h"

#include "core/settings.h"

namespace vantrell {
namespace {

// Plays on a copy, so the rules stay in applyClick alone.
template <typename Play>
CellChange changeOf(const GameState &state, int x, int y, Play play)
{
    GameState after = state;
    play(after);
    return {x, y, cellContent(state, x, y), cellContent(after, x, y)};
}

} // namespace

std::optional<CellHit> locateClick(int px, int py, int n)
{
    if (px < 0 || py < 0 || px >= kCellPixels * n || py >= kCellPixels * n)
        return std::nullopt;
    return CellHit{px / kCellPixels + 1, py / kCellPixels + 1, (px % kCellPixels) / kMarkPixels + 1,
                   (py % kCellPixels) / kMarkPixels + 1};
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

CellHit subSquareOf(int x, int y, int v) { return CellHit{x, y, FlagSet::subX(v), FlagSet::subY(v)}; }

void applyKey(GameState &state, const BoardKeyCommand &command, int x, int y)
{
    if (command.command == KeyCommand::None || command.command == KeyCommand::Move)
        return;
    const CellHit hit = subSquareOf(x, y, command.command == KeyCommand::Clear ? 1 : command.value);
    const bool filled = state.eingabe(x, y) >= 1 && state.eingabe(x, y) <= 9;
    switch (command.command) {
    case KeyCommand::Enter:
        // A locked value leaves the cell as it is, also a filled one.
        if (state.vorgabe(x, y) != 0 || state.gesperrt(x, y, hit.sx, hit.sy) != 0)
            return;
        if (filled)
            applyClick(state, BoardButton::Left, hit);
        applyClick(state, BoardButton::Left, hit);
        break;
    case KeyCommand::Clear:
        if (filled)
            applyClick(state, BoardButton::Left, hit);
        break;
    case KeyCommand::Mark:
        applyClick(state, BoardButton::Right, hit);
        break;
    default:
        break;
    }
}

CellChange clickChange(const GameState &state, BoardButton button, const CellHit &hit)
{
    return changeOf(state, hit.x, hit.y, [&](GameState &s) { applyClick(s, button, hit); });
}

CellChange keyChange(const GameState &state, const BoardKeyCommand &command, int x, int y)
{
    return changeOf(state, x, y, [&](GameState &s) { applyKey(s, command, x, y); });
}

} // namespace vantrell
