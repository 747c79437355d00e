// The key-value line format shared by ini.dat and pages.dat.
#include "keyvalue.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
    const char* line;
    LineKind kind;
    const char* key;
    const char* value;
};

const SplitCase splitCases[] = {
    {"book:tale;", LineKind::Entry, "book", "tale"},
    {"book:;", LineKind::Entry, "book", ""},
    {":value;", LineKind::Entry, "", "value"},
    {"text_main: two words ;", LineKind::Entry, "text_main", " two words "},
    {"windowed :YES;", LineKind::Entry, "windowed ", "YES"},
    {"\tkey:\tvalue;", LineKind::Entry, "\tkey", "\tvalue"},
    {"room_name:Hall #3;", LineKind::Entry, "room_name", "Hall #3"},
    {"book:tale; # comment after the value", LineKind::Entry, "book", "tale"},
    {"book:tale;two;", LineKind::Entry, "book", "tale"},
    {"url:a:b;", LineKind::Entry, "url", "a:b"},
    {"# book:tale;", LineKind::Comment, "", ""},
    {"bo#ok:tale;", LineKind::Comment, "", ""},
    {"just a comment #", LineKind::Comment, "", ""},
    {"book:tale", LineKind::Invalid, "", ""},
    {"book;tale:", LineKind::Invalid, "", ""},
    {"no separator at all", LineKind::Invalid, "", ""},
    {"", LineKind::Invalid, "", ""},
};

TEST(SplitKeyValue, FollowsTheLineRules)
{
    for (const SplitCase& c : splitCases) {
        std::string_view key = "untouched", value = "untouched";
        EXPECT_EQ(splitKeyValue(c.line, key, value), c.kind) << "line: " << c.line;
        if (c.kind == LineKind::Entry) {
            EXPECT_EQ(key, c.key) << "line: " << c.line;
            EXPECT_EQ(value, c.value) << "line: " << c.line;
        } else {
            EXPECT_EQ(key, "untouched") << "line: " << c.line;
        }
    }
}

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

TEST(LineReader, DeliversWholeLines)
{
    startLibraryWithoutDisplay();
    enterScratchDir("lines");
    const ReadCase cases[] = {
        {"LF", "a:1;\nb:2;\n", {"a:1;", "b:2;"}},
        {"CRLF", "a:1;\r\nb:2;\r\n", {"a:1;", "b:2;"}},
        {"CR only", "a:1;\rb:2;\r", {"a:1;", "b:2;"}},
        {"no final line end", "a:1;\nb:2;", {"a:1;", "b:2;"}},
        {"blank lines kept as empty", "a:1;\n\n\nb:2;\n", {"a:1;", "", "", "b:2;"}},
        {"empty file", "", {}},
        {"byte-order mark skipped", "\xEF\xBB\xBFwindowed:NO;\n", {"windowed:NO;"}},
        {"mark only at the very start", "a:1;\n\xEF\xBB\xBF" "b:2;\n",
         {"a:1;", "\xC3\xAF\xC2\xBB\xC2\xBF" "b:2;"}},
        {"partial mark kept", "\xEF\xBBx\n", {"\xC3\xAF\xC2\xBBx"}},
        {"NUL bytes dropped", std::string("a:\0" "1;\n", 6), {"a:1;"}},
        // Each byte above 127 becomes one two-byte character: "Ж" is D0 96.
        {"bytes above 127 widened", "k:\xD0\x96;\n", {"k:\xC3\x90\xC2\x96;"}},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(readAll(c.contents), c.expected) << c.name;
}

TEST(LineReader, ReadsLinesLongerThanAnyBufferAndWhatFollows)
{
    startLibraryWithoutDisplay();
    enterScratchDir("longline");
    const std::string longValue(100000, 'x');
    const Lines lines = readAll("a:1;\ntext_main:" + longValue + ";\nb:2;\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "text_main:" + longValue + ";");
    EXPECT_EQ(lines[2], "b:2;");
}

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
