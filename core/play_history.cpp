#include "core/play_history.h"

namespace vantrell {
namespace {

// The one way any step, played, taken back or brought back, reaches the grids.
void apply(GameState &state, int x, int y, const CellContent &content)
{
    state.eingabe(x, y) = content.value;
    for (int v = 1; v <= 9; ++v)
        state.markierungen.value(x, y, v) = content.marks[std::size_t(v - 1)];
}

} // namespace

CellContent cellContent(const GameState &state, int x, int y)
{
    CellContent content;
    content.value = state.eingabe(x, y);
    for (int v = 1; v <= 9; ++v)
        content.marks[std::size_t(v - 1)] = state.markierungen.value(x, y, v);
    return content;
}

void PlayHistory::clear()
{
    steps_.clear();
    done_ = 0;
}

void PlayHistory::play(GameState &state, const CellChange &change)
{
    if (change.changesNothing())
        return;
    apply(state, change.x, change.y, change.after);
    steps_.resize(done_);
    steps_.push_back(change);
    ++done_;
}

std::optional<CellChange> PlayHistory::undo(GameState &state)
{
    if (!canUndo())
        return std::nullopt;
    const CellChange &step = steps_[--done_];
    apply(state, step.x, step.y, step.before);
    return CellChange{step.x, step.y, step.after, step.before};
}

std::optional<CellChange> PlayHistory::redo(GameState &state)
{
    if (!canRedo())
        return std::nullopt;
    const CellChange &step = steps_[done_++];
    apply(state, step.x, step.y, step.after);
    return step;
}

} // namespace vantrell
