// Reads arbitrary combo texts into the game parameters, the way "Spiel starten" does after
// the player has typed or pasted into the four editable settings boxes.
//
// Input: the texts of cbspiel, cbspielart, cbgeloest and cbelemente separated by '\n'
// (the last one takes the rest of the input, newlines included; missing ones are empty).
#include "core/settings.h"
#include "ui/texts.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vantrell;

namespace {

void fail(const char *what, const std::string &detail = {})
{
    std::fprintf(stderr, "settings_fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

void require(bool holds, const char *what, const std::string &detail = {})
{
    if (!holds)
        fail(what, detail);
}

struct Tables {
    SettingsTexts german = settingsTexts(germanTexts());
    SettingsTexts english = settingsTexts(englishTexts());
    SettingsTexts none = settingsTexts(LanguageTexts{}); // a build language without texts
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

GameState startState(std::int32_t spielart, std::int32_t groesse, std::int32_t aufgedeckt, char elemente)
{
    GameState s;
    s.spielart = spielart;
    s.groesse = groesse;
    s.aufgedeckt = aufgedeckt;
    s.elemente = elemente;
    s.loesung(1, 1) = 7;
    s.eingabe(groesse > 0 ? groesse : 1, 2) = 3;
    s.markierungen(2, 3, 1, 2) = 1;
    return s;
}

// Before the first game, after a classic game, after a custom free game, and after a custom
// game with a count the lists never offer.
const std::array<GameState, 4> &startStates()
{
    static const std::array<GameState, 4> states{startState(0, 0, 0, 0), startState(1, 9, 30, 'K'),
                                                 startState(5, 5, 12, 'C'), startState(3, 3, -40, 'S')};
    return states;
}

bool isGameType(std::int32_t v) { return v == 1 || (v >= 3 && v <= 9); }
bool isElementLetter(char c) { return c == 'R' || c == 'B' || c == 'S' || c == 'K' || c == 'C'; }

template <std::size_t N>
bool contains(const std::array<std::string, N> &texts, const std::string &text)
{
    for (const auto &t : texts)
        if (t == text)
            return true;
    return false;
}

void checkRead(const SettingsChoice &choice, const SettingsTexts &texts, const GameState &before)
{
    GameState after = before;
    const bool countRead = readSettings(choice, texts, after);

    // Only the four parameters may change; the grids belong to the running game.
    require(after.groesse == before.groesse, "groesse changed");
    require(after.loesung == before.loesung && after.vorgabe == before.vorgabe && after.eingabe == before.eingabe,
            "a grid changed");
    require(after.markierungen == before.markierungen && after.gesperrt == before.gesperrt, "flags changed");

    require(after.spielart == before.spielart || isGameType(after.spielart),
            "spielart is no game type:", std::to_string(after.spielart));
    require(after.elemente == before.elemente || isElementLetter(after.elemente),
            "elemente is no element letter:", std::to_string(int(after.elemente)));

    bool fixedPreset = false;
    for (std::size_t i = 0; i < kCustomPreset; ++i)
        fixedPreset = fixedPreset || texts.presets[i] == choice.spiel;
    const bool custom = !fixedPreset && texts.presets[kCustomPreset] == choice.spiel;
    require(countRead == custom, "the custom game was not reported as read");

    if (fixedPreset) {
        // A fixed preset sets everything, whatever the other boxes say.
        require(isGameType(after.spielart) && after.elemente == 'B' && after.aufgedeckt > 0,
                "a preset left the parameters incomplete");
    } else if (custom) {
        // The custom game takes each box on its own: a text that matches nothing keeps its
        // value, except that a game never played before gets the classic board.
        if (!contains(texts.gameTypes, choice.spielart))
            require(after.spielart == (isGameType(before.spielart) ? before.spielart : 1),
                    "an unknown game type text changed spielart");
        // The count is an entry of the played type's list, as the text reads or its initial one.
        const CountRange counts = countRangeOf(after.spielart);
        require(after.aufgedeckt >= counts.lowest && after.aufgedeckt <= counts.highest,
                "a count outside the type's list:", std::to_string(after.aufgedeckt));
        const bool entry = choice.geloest == texts.countPrefix + std::to_string(after.aufgedeckt);
        require(entry || after.aufgedeckt == counts.initial(), "a count text that is no entry was read:", choice.geloest);
        if (!contains(texts.elementSets, choice.elemente))
            require(after.elemente == (before.elemente ? before.elemente : 'B'),
                    "an unknown element text changed elemente");
    } else if (!isGameType(before.spielart)) {
        // Nothing played yet: the preset the panel starts with.
        require(after.spielart == 1 && after.aufgedeckt == 40 && after.elemente == 'B',
                "an unknown game text before any game did not play the initial preset");
        return;
    } else {
        require(after.spielart == before.spielart && after.aufgedeckt == before.aufgedeckt
                    && after.elemente == before.elemente,
                "an unknown game text changed the parameters");
        return;
    }
    require(after.elemente != 0, "a recognised game left no element set");
    const int n = after.spielart == 1 ? 9 : after.spielart;
    require(after.aufgedeckt >= 1 && after.aufgedeckt < n * n, "more givens than the board has cells");
}

void checkCount(const std::string &text, const std::string &prefix)
{
    const auto count = parseCount(text, prefix);
    if (!count)
        return;
    // Only the very text the count list shows for a count is read as that count.
    require(text == prefix + std::to_string(*count), "a count was read from a text the list never shows:", text);
}

void checkRange(const std::string &text)
{
    const CountRange r = countRangeFor(text);
    if (r == CountRange{0, 0})
        return;
    require(!text.empty() && text.front() >= '3' && text.front() <= '9', "a range for a text without a type:", text);
    const int n = text.front() - '0';
    require(r.lowest >= 1 && r.lowest < r.highest && r.highest <= n * n, "a count range outside the board:", text);
    require(r.initial() >= r.lowest && r.initial() <= r.highest, "the initial count is outside its range:", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    std::array<std::string, 4> parts;
    std::size_t from = 0;
    for (std::size_t i = 0; i < parts.size() && from <= input.size(); ++i) {
        const std::size_t end = i + 1 < parts.size() ? input.find('\n', from) : std::string_view::npos;
        parts[i] = std::string(input.substr(from, end == std::string_view::npos ? input.size() - from : end - from));
        from = end == std::string_view::npos ? input.size() + 1 : end + 1;
    }
    const SettingsChoice choice{parts[0], parts[1], parts[2], parts[3]};

    const Tables &t = tables();
    for (const SettingsTexts *texts : {&t.german, &t.english, &t.none})
        for (const GameState &state : startStates())
            checkRead(choice, *texts, state);

    for (const std::string &text : parts) {
        checkRange(text);
        for (const std::string &prefix : {t.german.countPrefix, t.english.countPrefix, std::string()})
            checkCount(text, prefix);
    }
    return 0;
}
