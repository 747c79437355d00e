// The key-value text format shared by ini.dat and pages.dat: one
// "key:value;" entry per line, '#' lines as comments, and the one rule both
// files give a flag's value.
#ifndef QUORVEL_KEYVALUE_H
#define QUORVEL_KEYVALUE_H

#include <allegro.h>

#include <string>
#include <string_view>
#include <vector>

enum class LineKind {
    Entry,   // "key:value;"
    Comment, // a '#' before the first ':', or a '#' and no ':'
    Invalid, // anything else: no ':', or no ';' after it (blank lines too)
};

// Splits one line. The key runs from the start to the first ':'; the value
// from after it to the next ';'; text after that ';' is ignored. Nothing is
// trimmed. Sets key and value only for an entry.
LineKind splitKeyValue(std::string_view line, std::string_view& key,
                       std::string_view& value);

// The text after the ';' that ends `value`, a view into `line` that
// splitKeyValue gave: what the readers ignore.
std::string_view textAfterValue(std::string_view line, std::string_view value);

// The value that turns a flag on (windowed, resume, sound_loop): exactly
// "YES", compared byte for byte; any other value turns it off. FLAG_OFF is
// the value meant for off, which the checker expects beside it.
extern const char* const FLAG_ON;
extern const char* const FLAG_OFF;
bool isFlagOn(std::string_view value);

// What a flag does, in words, for a tool that tells an author about an odd
// value: exactly YES `on`, any other value `off` ("plays the sound once",
// "loops it").
struct FlagMeaning {
    const char* on;
    const char* off;
};

// The row of a key table (`Row` has a `const char* name`) whose key is
// `name`, compared byte for byte, or null for a key the table does not know.
template <typename Row>
const Row* findRowNamed(const std::vector<Row>& rows, std::string_view name)
{
    for (const Row& row : rows)
        if (name == row.name)
            return &row;
    return nullptr;
}

// The keys of a key table, in its order.
template <typename Row>
std::vector<std::string> rowNames(const std::vector<Row>& rows)
{
    std::vector<std::string> names;
    for (const Row& row : rows)
        names.push_back(row.name);
    return names;
}

#endif
