// Reading the settings panel into the game parameters, and the numbers that follow
// from the chosen side length.
#pragma once

#include "core/game_state.h"

#include <array>
#include <optional>
#include <string>

namespace vantrell {

// The texts of one interface language that the settings are recognised by (UTF-8).
struct SettingsTexts {
    std::array<std::string, 8> presets;     // entry 7 is the custom game
    std::array<std::string, 8> gameTypes;   // 3x3 .. 9x9 free, then 9x9 classic
    std::array<std::string, 5> elementSets; // R, B, S, K, C
    std::string countPrefix;                // ends in one blank
};

// The four combo box texts as the player left them.
struct SettingsChoice {
    std::string spiel;
    std::string spielart;
    std::string geloest;
    std::string elemente;
};

inline constexpr int kCustomPreset = 7;
inline constexpr int kInitialPreset = 5; // the preset the panel starts with

// Sets spielart, aufgedeckt and elemente by exact, case-sensitive comparison. A text that
// matches nothing leaves its parameters as they were, with these exceptions, so that every
// game is one the panel offers:
// - an unknown preset text before any game plays the initial preset;
// - an unknown game type before any game plays the classic board, an unknown element set 'B';
// - the custom count must be an entry of the played type's list (see countRangeOf);
//   any other count text plays the list's initial count.
// Returns whether the custom game was read, whose count the panel then shows.
bool readSettings(const SettingsChoice &choice, const SettingsTexts &texts, GameState &state);

// The count of a count text: the exact prefix, then a plain ASCII decimal without sign,
// blank or leading zero. Nothing for any other text.
std::optional<std::int32_t> parseCount(const std::string &text, const std::string &prefix);

// The board unit: a cell is kCellPixels square, and each of its 3 x 3 sub-squares (the
// place of one value, and the size of a mark) kMarkPixels.
inline constexpr int kCellPixels = 45;
inline constexpr int kMarkPixels = kCellPixels / 3;

// Width and height of the board picture for a game type: kCellPixels per cell, the nine
// cells of the classic board for any type below 3.
int boardPictureSide(std::int32_t spielart);
// Side length n for a game type.
std::int32_t sideLength(std::int32_t spielart);

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size &) const = default;
};
// The main window's minimum size for side length n.
Size minimumWindowSize(int n);
// Position of a picture centred in the page frame (8 px into its page); halves truncate.
int centredPosition(int frameExtent, int pictureExtent);

// The counts the custom game offers for a game type text, chosen by its first character.
struct CountRange {
    int lowest = 0;
    int highest = 0;
    int initial() const { return (lowest + highest) / 2; }
    int entries() const { return highest - lowest + 1; }
    bool operator==(const CountRange &) const = default;
};
// The counts a game type code (1, 3..9) offers; an empty range {0, 0} for any other code.
CountRange countRangeOf(std::int32_t spielart);
// A text without a row in the table (empty, or not starting with 3..9) gives the empty range {0, 0}.
CountRange countRangeFor(const std::string &gameTypeText);

// Game types the panel offers: 1 (classic) and the free sides 3..9.
bool isOfferedGameType(std::int32_t spielart);
// Whether the settings panel can start this game: a preset (blue numbers only), or a custom
// game with a count from its type's range and any of the five element sets. The highscore
// decoder holds codes to this, so it must stay the panel's own rule.
bool settingsOfferGame(std::int32_t spielart, std::int32_t aufgedeckt, char elemente);

} // namespace vantrell
