#include "core/game_state.h"

namespace vantrell {

void GameState::AufNullSetzen(std::int32_t clearLoesung, std::int32_t clearEingabe, std::int32_t clearVorgabe)
{
    if (clearLoesung == 1)
        loesung.clear();
    if (clearEingabe == 1)
        eingabe.clear();
    if (clearVorgabe == 1)
        vorgabe.clear();
    markierungen.clear();
}

} // namespace vantrell
