// What the tests of books as one file share, at each level: a sound book
// zipped in either layout, small pictures, the listing that shows nothing
// was written, and the fixture they run in.
#ifndef QUORVEL_ARCHIVEBOOKS_H
#define QUORVEL_ARCHIVEBOOKS_H

#include "zipwriter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

// The library without a display, colour depth 32, in a scratch directory
// of its own (`root`); a deadline of ARCHIVE_HANG_SECONDS on the whole case,
// so that a case that blocks fails instead of hanging the suite. Unmounts
// the archives and frees the pages a case read.
class Archives : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string root;
};

const unsigned ARCHIVE_HANG_SECONDS = 60;

// A small picture's PNG bytes (8 x 8, one colour). Needs the library.
std::string pngBytes(int r, int g, int b);

// The book file of a book of two pages, each with a picture.
extern const char* const TWO_PAGES;

// A sound book of two pages, each with a picture, under `prefix` ("" or
// one top folder such as "forest/"), its entries packed or stored.
std::vector<ZipMember> bookMembers(const std::string& prefix, bool deflate = true);

// Every path below the current directory, with its size: what "nothing
// written" compares.
std::set<std::string> listing();

// A layout a sound book is zipped in.
struct LayoutCase {
    const char* name;
    std::string prefix; // "" or the one top folder
    bool deflate;
};

inline void PrintTo(const LayoutCase& c, std::ostream* out)
{
    *out << c.name;
}

// At the root or in one top folder, packed or stored.
inline const LayoutCase layoutCases[] = {
    {"AtTheRootDeflated", "", true},
    {"AtTheRootStored", "", false},
    {"InOneTopFolderDeflated", "forest/", true},
    {"InOneTopFolderStored", "forest/", false},
};

#endif
