// A text cut into runs by script, each in the language it is read in: the
// Cyrillic in a Russian voice (or the reader's own Cyrillic language), other
// letters in the reader's language (or English for a reader whose language
// is written in Cyrillic); signs and digits go with the run they stand in.
#include "speech/scriptruns.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Found by argument lookup beside Utterance, for the comparisons and messages.
bool operator==(const Utterance& a, const Utterance& b)
{
    return a.text == b.text && a.language == b.language;
}

void PrintTo(const Utterance& u, std::ostream* os)
{
    *os << u.language << ":\"" << u.text << "\"";
}

namespace {

struct RunsCase {
    const char* name;
    const char* text;
    const char* reader; // the reader's language
    std::vector<Utterance> runs;
};

void PrintTo(const RunsCase& c, std::ostream* os)
{
    *os << c.name;
}

const RunsCase runsCases[] = {
    {"EnglishAlone", "A quiet hall.", "en", {{"A quiet hall.", "en"}}},
    {"CyrillicForAnEnglishReader", "Тропинка уходит в лес.", "en", {{"Тропинка уходит в лес.", "ru"}}},
    {"BilingualSentences", "Привет. Hello there.", "en", {{"Привет. ", "ru"}, {"Hello there.", "en"}}},
    {"ADigitAndColonGoWithTheFirstLetters", "1: В лес", "en", {{"1: В лес", "ru"}}},
    {"SignsBetweenRunsStayWithTheRunBefore", "Опушка / The edge", "en",
     {{"Опушка / ", "ru"}, {"The edge", "en"}}},
    {"LatinForARussianReaderIsEnglish", "Книга: tale", "ru", {{"Книга: ", "ru"}, {"tale", "en"}}},
    {"AnotherLatinLanguageReadsLatin", "Lire: Книга", "fr", {{"Lire: ", "fr"}, {"Книга", "ru"}}},
    {"UkrainianReaderReadsCyrillicInUkrainian", "Так. Yes.", "uk", {{"Так. ", "uk"}, {"Yes.", "en"}}},
    {"NoLettersIsOneRunInTheOtherLanguage", "1, 2, 3 — ?", "en", {{"1, 2, 3 — ?", "en"}}},
    {"NoLettersForARussianReader", "42", "ru", {{"42", "en"}}},
    {"EmptyGivesNoRun", "", "en", {}},
    {"AccentedLatinIsLatin", "Café Время", "en", {{"Café ", "en"}, {"Время", "ru"}}},
    {"AStrayByteStaysWithItsNeighbours", "ab\xff" "cd", "en", {{"ab\xff" "cd", "en"}}},
};

class ScriptRuns : public ::testing::TestWithParam<RunsCase> {};

TEST_P(ScriptRuns, FollowTheScriptOfTheText)
{
    const RunsCase& c = GetParam();
    const std::vector<Utterance> runs = splitByScript(c.text, c.reader);
    EXPECT_EQ(runs, c.runs);
    std::string joined;
    for (const Utterance& run : runs) {
        EXPECT_FALSE(run.text.empty());
        joined += run.text;
    }
    EXPECT_EQ(joined, c.text) << "the runs, joined, are the text";
}

INSTANTIATE_TEST_SUITE_P(, ScriptRuns, ::testing::ValuesIn(runsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CyrillicLanguages, AreKnownByTheirCodes)
{
    for (const char* language : {"ru", "uk", "be", "bg", "sr"})
        EXPECT_TRUE(writtenInCyrillic(language)) << language;
    for (const char* language : {"en", "de", "fr", "pl", ""})
        EXPECT_FALSE(writtenInCyrillic(language)) << language;
}

} // namespace
