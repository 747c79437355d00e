// The key-value line format shared by ini.dat and pages.dat.
#include "casename.h"
#include "files/linereader.h"
#include "testenv.h"
#include "text/keyvalue.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct SplitCase {
    const char* name;
    const char* line;
    LineKind kind;
    const char* key;
    const char* value;
};

void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << '"' << c.line << '"';
}

// The line format, a line at a time.
const SplitCase splitCases[] = {
    {"entry", "book:tale;", LineKind::Entry, "book", "tale"},
    {"empty value", "book:;", LineKind::Entry, "book", ""},
    {"empty key", ":value;", LineKind::Entry, "", "value"},
    {"spaces kept in the value", "text_main: two words ;", LineKind::Entry, "text_main", " two words "},
    {"space kept in the key", "windowed :YES;", LineKind::Entry, "windowed ", "YES"},
    {"tabs kept", "\tkey:\tvalue;", LineKind::Entry, "\tkey", "\tvalue"},
    {"hash after the colon is text", "room_name:Hall #3;", LineKind::Entry, "room_name", "Hall #3"},
    {"comment after the value ignored", "book:tale; # comment after the value", LineKind::Entry,
     "book", "tale"},
    {"value ends at the first semicolon", "book:tale;two;", LineKind::Entry, "book", "tale"},
    {"key ends at the first colon", "url:a:b;", LineKind::Entry, "url", "a:b"},
    {"hash first is a comment", "# book:tale;", LineKind::Comment, "", ""},
    {"hash before the colon is a comment", "bo#ok:tale;", LineKind::Comment, "", ""},
    {"hash without a colon is a comment", "just a comment #", LineKind::Comment, "", ""},
    {"no semicolon is invalid", "book:tale", LineKind::Invalid, "", ""},
    {"semicolon before the colon is invalid", "book;tale:", LineKind::Invalid, "", ""},
    {"no separator is invalid", "no separator at all", LineKind::Invalid, "", ""},
    {"blank line is invalid", "", LineKind::Invalid, "", ""},
};

class SplitKeyValue : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitKeyValue, FollowsTheLineRules)
{
    const SplitCase& c = GetParam();
    std::string_view key = "untouched", value = "untouched";
    EXPECT_EQ(splitKeyValue(c.line, key, value), c.kind);
    if (c.kind == LineKind::Entry) {
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(value, c.value);
    } else {
        EXPECT_EQ(key, "untouched");
    }
}

INSTANTIATE_TEST_SUITE_P(LineFormat, SplitKeyValue, ::testing::ValuesIn(splitCases),
                         NamedAfterCase());

std::vector<std::string> readAll(const std::string& contents)
{
    writeFile("lines.txt", contents);
    LineReader reader("lines.txt");
    EXPECT_TRUE(reader.isOpen());
    std::vector<std::string> lines;
    std::string line;
    while (reader.next(line))
        lines.push_back(line);
    return lines;
}

using Lines = std::vector<std::string>;

struct ReadCase {
    const char* name;
    std::string contents;
    Lines expected;
};

void PrintTo(const ReadCase& c, std::ostream* out)
{
    *out << c.name;
}

const ReadCase readCases[] = {
    {"LF", "a:1;\nb:2;\n", {"a:1;", "b:2;"}},
    {"CRLF", "a:1;\r\nb:2;\r\n", {"a:1;", "b:2;"}},
    {"CR only", "a:1;\rb:2;\r", {"a:1;", "b:2;"}},
    {"no final line end", "a:1;\nb:2;", {"a:1;", "b:2;"}},
    {"blank lines kept as empty", "a:1;\n\n\nb:2;\n", {"a:1;", "", "", "b:2;"}},
    {"empty file", "", {}},
    {"byte-order mark skipped", "\xEF\xBB\xBFwindowed:NO;\n", {"windowed:NO;"}},
    {"mark only at the very start", "a:1;\n\xEF\xBB\xBF" "b:2;\n",
     {"a:1;", "\xC3\xAF\xC2\xBB\xC2\xBF" "b:2;"}},
    {"partial mark kept, its bytes not being UTF-8", "\xEF\xBBx\n", {"??x"}},
    {"NUL bytes dropped", std::string("a:\0" "1;\n", 6), {"a:1;"}},
    // Each byte above 127 becomes one two-byte character: "Ж" is D0 96.
    {"bytes above 127 widened", "k:\xD0\x96;\n", {"k:\xC3\x90\xC2\x96;"}},
};

class LineReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LineReading, DeliversWholeLines)
{
    startLibraryWithoutDisplay();
    enterScratchDir("lines");
    EXPECT_EQ(readAll(GetParam().contents), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(LineReader, LineReading, ::testing::ValuesIn(readCases),
                         NamedAfterCase());

// A line longer than any field keeps its first LINE_KEPT_BYTES, at a whole
// character, and its ';' when that lies past them, so that it still reads
// as an entry; what follows it is read as ever.
struct LongLineCase {
    const char* name;
    std::string line;   // without its line end
    std::string kept;   // what the reader delivers, narrowed back to bytes
};

void PrintTo(const LongLineCase& c, std::ostream* out)
{
    *out << c.name;
}

class LongLine : public ::testing::TestWithParam<LongLineCase> {};

TEST_P(LongLine, KeepsItsFirstBytesAndReadsWhatFollows)
{
    startLibraryWithoutDisplay();
    enterScratchDir("longline");
    writeFile("lines.dat", "a:1;\n" + GetParam().line + "\nb:2;\n");
    LineReader reader("lines.dat");
    std::string line;
    ASSERT_TRUE(reader.next(line));
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(reader.lastLineLength(), static_cast<long long>(GetParam().line.size()));
    EXPECT_EQ(reader.lastLineBytes(), GetParam().kept);
    EXPECT_TRUE(reader.lastLineWasUtf8());
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "b:2;");
    EXPECT_EQ(reader.lastLineLength(), 4);
    EXPECT_FALSE(reader.next(line));
}

const std::string TEXT_KEY = "text_main:";
const std::string X_KEPT(LINE_KEPT_BYTES - TEXT_KEY.size(), 'x');

INSTANTIATE_TEST_SUITE_P(
    LineReader, LongLine,
    ::testing::Values(
        LongLineCase{"AtTheLimit", TEXT_KEY + X_KEPT, TEXT_KEY + X_KEPT},
        LongLineCase{"ItsSemicolonPastTheLimit", TEXT_KEY + X_KEPT + std::string(100000, 'x') + ";",
                     TEXT_KEY + X_KEPT + ";"},
        LongLineCase{"ItsSemicolonWithin", "a:1;" + std::string(100000, 'y'),
                     "a:1;" + std::string(LINE_KEPT_BYTES - 4, 'y')},
        LongLineCase{"NoSemicolonAtAll", TEXT_KEY + X_KEPT + "zz", TEXT_KEY + X_KEPT},
        // "Я" is two bytes: the limit falls inside the last one kept.
        LongLineCase{"CutInsideALetter",
                     "t:x" + [] {
                         std::string letters;
                         for (std::size_t i = 0; i < LINE_KEPT_BYTES; ++i)
                             letters += "Я";
                         return letters;
                     }() + ";",
                     "t:x" + [] {
                         std::string letters;
                         for (std::size_t i = 0; i < (LINE_KEPT_BYTES - 3) / 2; ++i)
                             letters += "Я";
                         return letters;
                     }() + ";"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineReader, MissingFileIsNotOpen)
{
    startLibraryWithoutDisplay();
    enterScratchDir("nofile");
    LineReader reader("absent.dat");
    EXPECT_FALSE(reader.isOpen());
    std::string line = "left";
    EXPECT_FALSE(reader.next(line));
}

} // namespace
