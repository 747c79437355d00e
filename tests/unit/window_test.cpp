// What the window's title calls a book: its book_name line when it has one,
// else its folder's or archive's name, however the path was written.
#include "screen/window.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct NameCase {
    const char* name;
    std::string bookPath, named;
    std::string shown, title;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c)
{
    return out << "book \"" << c.bookPath << "\" named \"" << c.named << "\"";
}

const NameCase nameCases[] = {
    {"TheBookNameLineWins", "books/forest", "The Forest Path", "The Forest Path",
     "The Forest Path — Quorvel"},
    {"AFolderUnderBooks", "books/forest", "", "forest", "forest — Quorvel"},
    {"ABareFolderName", "forest", "", "forest", "forest — Quorvel"},
    {"TrailingSlashes", "books/forest//", "", "forest", "forest — Quorvel"},
    {"AnArchiveLosesItsEnding", "forest.zip", "", "forest", "forest — Quorvel"},
    {"AnArchiveEndingInCapitals", "/home/r/Forest.ZIP", "", "Forest", "Forest — Quorvel"},
    {"AFileCalledOnlyZip", ".zip", "", ".zip", ".zip — Quorvel"},
    {"ZipInsideTheName", "zip.forest", "", "zip.forest", "zip.forest — Quorvel"},
    {"CyrillicNamesStandAsTheyAre", "полка/Лесная тропа", "", "Лесная тропа",
     "Лесная тропа — Quorvel"},
    {"NoBookNoName", "", "", "", "Quorvel"},
};

class BookName : public ::testing::TestWithParam<NameCase> {};

TEST_P(BookName, IsShownInTheTitle)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(bookShownName(c.bookPath, c.named), c.shown);
    EXPECT_EQ(windowTitle(bookShownName(c.bookPath, c.named)), c.title);
}

INSTANTIATE_TEST_SUITE_P(Window, BookName, ::testing::ValuesIn(nameCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
