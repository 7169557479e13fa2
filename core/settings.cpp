#include "core/settings.h"

#include <charconv>
#include <string_view>

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

bool isGameType(std::int32_t spielart) { return spielart == 1 || (spielart >= 3 && spielart <= 9); }

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
    if (!text.starts_with(prefix))
        return std::nullopt;
    const std::string_view digits = std::string_view(text).substr(prefix.size());
    // Only the form the count list itself shows: "05", "+5" or " 5" are no entries.
    if (digits.empty() || (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    for (const char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

bool readSettings(const SettingsChoice &choice, const SettingsTexts &texts, GameState &state)
{
    auto preset = indexOf(texts.presets, choice.spiel, kPresets.size());
    const bool custom = !preset && choice.spiel == texts.presets[kCustomPreset];
    if (!preset && !custom && !isGameType(state.spielart))
        preset = kInitialPreset; // nothing played yet: a pasted text must not give a dead game
    if (preset) {
        state.spielart = kPresets[*preset].spielart;
        state.aufgedeckt = kPresets[*preset].aufgedeckt;
        state.elemente = 'B';
        return false;
    }
    if (!custom)
        return false;

    if (const auto type = indexOf(texts.gameTypes, choice.spielart))
        state.spielart = kGameTypes[*type];
    else if (!isGameType(state.spielart))
        state.spielart = 1; // no game type yet: the classic board the panel starts with
    // A count outside the type's list would give a board the points were never made for.
    const CountRange counts = countRangeOf(state.spielart);
    const auto count = parseCount(choice.geloest, texts.countPrefix);
    state.aufgedeckt = count && *count >= counts.lowest && *count <= counts.highest ? *count : counts.initial();
    if (const auto set = indexOf(texts.elementSets, choice.elemente))
        state.elemente = kElementLetters[*set];
    else if (state.elemente == 0)
        state.elemente = 'B'; // the picture lists exist only for the five letters
    return true;
}

int boardPictureSide(std::int32_t spielart) { return kCellPixels * (spielart >= 3 ? spielart : 9); }

std::int32_t sideLength(std::int32_t spielart) { return spielart == 1 ? 9 : spielart; }

Size minimumWindowSize(int n) { return {n * kCellPixels + 262, n * kCellPixels + 113}; }

int centredPosition(int frameExtent, int pictureExtent) { return frameExtent / 2 - pictureExtent / 2 + 8; }

CountRange countRangeOf(std::int32_t spielart)
{
    if (!isGameType(spielart))
        return {};
    // The table is keyed by the digit of the side length.
    return countRangeFor(std::string(1, static_cast<char>('0' + sideLength(spielart))));
}

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
