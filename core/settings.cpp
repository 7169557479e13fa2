#include "core/settings.h"

#include <charconv>

namespace vantrell {
namespace {

struct Preset {
    std::int32_t spielart;
    std::int32_t aufgedeckt;
};
// In the order of the preset entries 0..6.
constexpr std::array<Preset, 7> kPresets{{{4, 8}, {6, 20}, {7, 20}, {9, 25}, {1, 60}, {1, 40}, {1, 20}}};
constexpr std::array<std::int32_t, 8> kGameTypes{3, 4, 5, 6, 7, 8, 9, 1};
constexpr std::array<char, 5> kElementLetters{'R', 'B', 'S', 'K', 'C'};

template <std::size_t N>
std::optional<std::size_t> indexOf(const std::array<std::string, N> &texts, const std::string &text, std::size_t count = N)
{
    for (std::size_t i = 0; i < count; ++i)
        if (texts[i] == text)
            return i;
    return std::nullopt;
}

} // namespace

std::optional<std::int32_t> parseCount(const std::string &text, const std::string &prefix)
{
    std::string rest = text;
    if (!prefix.empty()) {
        for (std::size_t at; (at = rest.find(prefix)) != std::string::npos;)
            rest.erase(at, prefix.size());
    }
    const char *first = rest.data();
    const char *last = rest.data() + rest.size();
    if (first != last && *first == '+' && first + 1 != last && first[1] != '-')
        ++first;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc{} || end != last)
        return std::nullopt;
    return value;
}

void readSettings(const SettingsChoice &choice, const SettingsTexts &texts, GameState &state)
{
    if (const auto preset = indexOf(texts.presets, choice.spiel, kPresets.size())) {
        state.spielart = kPresets[*preset].spielart;
        state.aufgedeckt = kPresets[*preset].aufgedeckt;
        state.elemente = 'B';
        return;
    }
    if (choice.spiel != texts.presets[kCustomPreset])
        return;

    if (const auto type = indexOf(texts.gameTypes, choice.spielart))
        state.spielart = kGameTypes[*type];
    else if (state.spielart == 0)
        state.spielart = 1; // no game type yet: the classic board the panel starts with
    if (const auto count = parseCount(choice.geloest, texts.countPrefix))
        state.aufgedeckt = *count;
    if (const auto set = indexOf(texts.elementSets, choice.elemente))
        state.elemente = kElementLetters[*set];
    else if (state.elemente == 0)
        state.elemente = 'B'; // the picture lists exist only for the five letters
}

int boardPictureSide(std::int32_t spielart) { return spielart >= 3 ? spielart * 45 : 405; }

std::int32_t sideLength(std::int32_t spielart) { return spielart == 1 ? 9 : spielart; }

Size minimumWindowSize(int n) { return {n * 45 + 262, n * 45 + 113}; }

int centredPosition(int frameExtent, int pictureExtent) { return frameExtent / 2 - pictureExtent / 2 + 8; }

CountRange countRangeFor(const std::string &gameTypeText)
{
    static constexpr std::array<CountRange, 7> kRanges{{{3, 6}, {6, 10}, {8, 16}, {11, 28}, {15, 32}, {18, 50}, {23, 60}}};
    if (gameTypeText.empty())
        return {0, 0};
    const char first = gameTypeText.front();
    if (first < '3' || first > '9')
        return {0, 0};
    return kRanges[static_cast<std::size_t>(first - '3')];
}

bool isOfferedGameType(std::int32_t spielart)
{
    for (const std::int32_t type : kGameTypes)
        if (type == spielart)
            return true;
    return false;
}

bool settingsOfferGame(std::int32_t spielart, std::int32_t aufgedeckt, char elemente)
{
    if (!isOfferedGameType(spielart))
        return false;
    if (elemente == 'B')
        for (const Preset &preset : kPresets)
            if (preset.spielart == spielart && preset.aufgedeckt == aufgedeckt)
                return true;
    bool knownSet = false;
    for (const char letter : kElementLetters)
        knownSet = knownSet || letter == elemente;
    if (!knownSet)
        return false;
    // The count list follows the first character of the type text, which is the side length.
    const CountRange range = countRangeFor(std::string(1, static_cast<char>('0' + sideLength(spielart))));
    return aufgedeckt >= range.lowest && aufgedeckt <= range.highest;
}

} // namespace vantrell
