// Names the operator does not allow on the list: the file behind --blocked-names, how a
// name is matched against it, and the holder that swaps in a new list on reload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrell::highscores {

// The file: one word or phrase a line, UTF-8; "#" starts a comment (a whole line or the rest
// of one); blank lines count for nothing.
//
// How a name is matched. Both the entry and the name are folded first:
//  - compatibility forms and accents go: fullwidth "ＢＡＤ" is "bad", "é" is "e", "ﬁ" is "fi";
//  - case goes, for every script ("Ä" is "ä" is "a", "ẞ" and "ß" are "ss");
//  - invisible format characters (zero-width space, soft hyphen) go;
//  - the digits 0 1 3 4 5 7 read as o i e a s t, and "@" "$" "|" "!" as a s i i;
//  - other punctuation, symbols and white space separate words.
// An entry then matches a whole word of the name, or whole words in a row for a phrase:
// "ass" blocks "ass", "Ass!" and "a$$ kicker" but not "Cassandra", "class" or "assist".
//  - "*" at the end of an entry lets it match the start of a word ("idiot*" also blocks
//    "Idiots"), at its start the end of one ("*head"), at both anywhere inside a word.
//  - The words of a phrase may stand apart or together: "bad word" blocks "Bad-Word" and
//    "badword".
//  - Single letters in a row are one word, whatever stands between them: "b a d", "b.a.d"
//    and "b|a|d" are "bad".
//  - A digit or look-alike sign at the start or end of a word may be a letter or the word's
//    edge: "bad1", "bad123" and "!bad!" hold the word "bad", "a55" is "ass"; between letters
//    it is always a letter, so "c1ass" is not "ass". Digits are part of words otherwise:
//    "88" blocks "Hans 88" but not "Hans88" ("*88" does).
class BlockedNames {
public:
    BlockedNames() = default;

    // Throws std::runtime_error with one line ("FILE: line N: reason") when the file cannot
    // be read, is not UTF-8, or has an entry that folds to nothing (it would block every name).
    static BlockedNames load(const std::string &path);
    static BlockedNames fromText(std::string_view text); // reasons name "line N"

    // The name as checkName() leaves it: valid UTF-8, composed, trimmed. Costs one folding of
    // the name and a look at the entries that begin with each pair of its letters, not a
    // pass over the whole list. Safe from any number of threads.
    bool blocks(std::string_view normalisedName) const;
    std::size_t size() const { return count_; }

    struct Entry {
        std::u32string letters; // folded; U' ' where the words of a phrase meet
        bool wordStart = true;  // no "*" before it
        bool wordEnd = true;    // no "*" after it
    };

private:
    void add(Entry entry);

    // Entries by their first two letters; those with one letter before a space or in all
    // stand in short_ and are tried everywhere.
    std::unordered_map<std::uint64_t, std::vector<Entry>> byPair_;
    std::vector<Entry> short_;
    std::size_t count_ = 0;
};

// What a reload did, for the log.
struct BlockedNamesReload {
    bool loaded = false;
    std::string report; // "N blocked names from FILE", or why the old list stays
};

// The list the service consults. A reload (SIGHUP) reads the file beside the running
// requests and swaps the new list in at once; a request holds the list it started with.
class BlockedNamesHolder {
public:
    // No path: nothing is blocked and reload() has nothing to read. A file that cannot be
    // loaded at start throws, as load() does.
    explicit BlockedNamesHolder(std::string path = {});

    std::shared_ptr<const BlockedNames> current() const;
    // A file that fails to load leaves the current list in place.
    BlockedNamesReload reload();

private:
    std::string path_;
    std::mutex reloading_; // one reload at a time, reading the file without holding current_
    // Held only to copy or swap the pointer. (libstdc++ 12's atomic<shared_ptr> is a lock
    // of its own that the thread sanitizer cannot see.)
    mutable std::mutex swapping_;
    std::shared_ptr<const BlockedNames> current_;
};

} // namespace vantrell::highscores
