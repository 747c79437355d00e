// Books as one file, read in place by the player's reader: a sound archive
// in either layout reads as its folder does, an entry at any offset gives
// its bytes, names stay inside the archive, and an archive's own font is
// found.
#include "app/bookplace.h"
#include "app/startfiles.h"
#include "archivebooks.h"
#include "book/book.h"
#include "casename.h"
#include "hostilefiles.h"
#include "files/archive.h"
#include "files/bookfile.h"
#include "init.h"
#include "media/media.h"
#include "media/picture.h"
#include "media/sound.h"
#include "testenv.h"
#include "text/buffers.h"
#include "text/fontfile.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

class Layout : public Archives, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(Layout, ThePlayersReaderReadsEveryPageAndPicture)
{
    writeFile("book.zip", zipArchive(bookMembers(GetParam().prefix, GetParam().deflate)));
    const BookPlace place = locateBook("book.zip");
    ASSERT_EQ(place.kind, BookPlace::Kind::BookFolder) << phraseOf(place.problem);
    ASSERT_TRUE(place.archive);
    EXPECT_EQ(place.archive->bookRoot(), GetParam().prefix);
    EXPECT_EQ(place.book, "book.zip");
    ASSERT_TRUE(enterBookPlace(place));
    copyCut(book, sizeof book, place.book.c_str());
    std::vector<BookEvent> notLoaded;
    const std::optional<Problem> problem = readBook(bookFilePath().c_str(), [&](const BookEvent& e) {
        if (e.kind == BookEventKind::FileNotLoaded)
            notLoaded.push_back(e);
    });
    EXPECT_FALSE(problem) << phraseOf(problem);
    EXPECT_TRUE(notLoaded.empty()) << notLoaded.front().value << " " << phraseOf(notLoaded.front().problem);
    ASSERT_EQ(gamedataPages.size(), 2u);
    EXPECT_STREQ(book_name, "Lantern");
    const Result<BITMAP*> owl = decodePicture("book.zip/pico/owl.png");
    ASSERT_TRUE(owl.value) << phraseOf(owl.problem);
    EXPECT_EQ(getpixel(owl.value, 3, 3), makecol32(90, 60, 30));
    destroy_bitmap(owl.value);
}

INSTANTIATE_TEST_SUITE_P(Archive, Layout, ::testing::ValuesIn(layoutCases), NamedAfterCase());

// A stored and a packed entry read at any offset, forward and backward,
// give the bytes on disk: what the decoders' windows rely on.
TEST_F(Archives, AnEntryReadsAsTheFileItWasMadeFrom)
{
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.push_back(static_cast<char>((static_cast<unsigned>(i) * 7919u) % 251u));
    writeFile("book.zip", zipArchive({{"pages.dat", "page_start:;\npage_end:;\n"},
                                      {"packed.bin", bytes, true},
                                      {"stored.bin", bytes, false}}));
    const BookPlace place = locateBook("book.zip");
    ASSERT_TRUE(enterBookPlace(place));
    for (const char* name : {"book.zip/packed.bin", "book.zip/stored.bin"}) {
        const BookFile file(name);
        ASSERT_TRUE(file.isOpen()) << phraseOf(file.problem());
        EXPECT_EQ(file.size(), static_cast<long long>(bytes.size()));
        EXPECT_FALSE(file.diskPath());
        for (long long at : {250000LL, 0LL, 12345LL, 299990LL, 65536LL}) {
            char got[100] = {};
            const std::size_t count = file.readAt(at, got, sizeof got);
            const std::size_t expected = std::min<std::size_t>(100, bytes.size() - at);
            ASSERT_EQ(count, expected) << name << " at " << at;
            EXPECT_EQ(std::string(got, count), bytes.substr(at, count)) << name << " at " << at;
        }
        EXPECT_FALSE(file.readProblem());
    }
}

// An Ogg sound packed in an archive is looked at quickly when the book
// opens (its head: channels and rate, its length to come, nothing inflated
// past its headers), and whole the first time its length is needed; a
// stored one, read where asked, is looked at whole at once.
TEST_F(Archives, APackedOggSoundLeavesItsLengthToItsFirstNeed)
{
    writeFile("made/.keep", "");
    writeToneOgg("made/tone.ogg", 1.0);
    ASSERT_FALSE(HasFatalFailure());
    const std::string ogg = readFile("made/tone.ogg");
    writeFile("book.zip", zipArchive({{"pages.dat", "page_start:;\npage_end:;\n"},
                                      {"audio/packed.ogg", ogg, true},
                                      {"audio/stored.ogg", ogg, false}}));
    const BookPlace place = locateBook("book.zip");
    ASSERT_TRUE(enterBookPlace(place));

    const SoundHeader stored = inspectSound("book.zip/audio/stored.ogg", SoundLook::Quick);
    ASSERT_FALSE(stored.problem) << phraseOf(stored.problem);
    EXPECT_FALSE(stored.lengthToCome);
    EXPECT_EQ(stored.frames, 22050);

    const SoundHeader quick = inspectSound("book.zip/audio/packed.ogg", SoundLook::Quick);
    ASSERT_FALSE(quick.problem) << phraseOf(quick.problem);
    EXPECT_TRUE(quick.lengthToCome);
    EXPECT_EQ(quick.channels, stored.channels);
    EXPECT_EQ(quick.rate, stored.rate);
    const SoundHeader whole = inspectSound("book.zip/audio/packed.ogg");
    EXPECT_FALSE(whole.lengthToCome);
    EXPECT_EQ(whole.frames, 22050);

    // Given the quick header, the decoders look at it whole themselves.
    const Result<SAMPLE*> decoded = decodeInspectedSound("book.zip/audio/packed.ogg", quick);
    ASSERT_TRUE(decoded.value) << phraseOf(decoded.problem);
    EXPECT_EQ(decoded.value->len, 22050u);
    destroy_sample(decoded.value);
    std::unique_ptr<SoundFrames> frames = openSoundFrames("book.zip/audio/packed.ogg", quick);
    ASSERT_TRUE(frames);
    std::vector<std::uint16_t> chunk(4096 * 2);
    long read = 0;
    for (int got; (got = frames->read(chunk.data(), 4096)) > 0;)
        read += got;
    EXPECT_EQ(read, 22050);

    // The player's store: acquired on the quick look, whole on first need.
    const Result<MediaFile*> held = acquireSound("book.zip/audio/packed.ogg");
    ASSERT_TRUE(held.value) << phraseOf(held.problem);
    EXPECT_FALSE(isLongSound(held.value));
    EXPECT_FALSE(soundHeader(held.value).lengthToCome);
    EXPECT_EQ(soundHeader(held.value).frames, 22050);
    const Result<SAMPLE*> sample = decodedSample(held.value);
    ASSERT_TRUE(sample.value) << phraseOf(sample.problem);
    EXPECT_EQ(sample.value->len, 22050u);
    releaseMedia(held.value);
}

// Names are looked up inside the archive only: a path that leads out of
// the book through ".." finds nothing, though a file of that name lies
// beside the archive on disk.
TEST_F(Archives, APathLeadingOutOfTheArchiveFindsNothing)
{
    writeFile("outside.png", pngBytes(1, 2, 3));
    writeFile("sub/outside.png", pngBytes(1, 2, 3));
    writeFile("book.zip", zipArchive(bookMembers("forest/")));
    const BookPlace place = locateBook("book.zip");
    ASSERT_TRUE(enterBookPlace(place));
    for (const char* path : {"book.zip/pico/../../outside.png", "book.zip/../outside.png",
                             "book.zip/../sub/outside.png", "book.zip/forest/pico/owl.png",
                             "book.zip/pico"}) {
        const BookFile file(path);
        EXPECT_FALSE(file.isOpen()) << path;
    }
    EXPECT_EQ(phraseOf(BookFile("book.zip/pico/../../outside.png").problem()), "not found");
    EXPECT_TRUE(BookFile("book.zip/pico/../pico/./owl.png").isOpen());
    EXPECT_TRUE(BookFile(root + "/book.zip/pico/owl.png").isOpen());
    // Not inside the archive: on disk as ever.
    EXPECT_TRUE(BookFile("outside.png").isOpen());
    EXPECT_TRUE(BookFile("book.zip").diskPath());
}

// A Mac's zip tool adds a "__MACOSX" top folder beside the book's.
TEST_F(Archives, AMacsExtraTopFolderIsPassedOver)
{
    std::vector<ZipMember> members = bookMembers("forest/");
    members.push_back({"__MACOSX/", "", false});
    members.push_back({"__MACOSX/forest/._pages.dat", "junk"});
    writeFile("book.zip", zipArchive(members));
    const BookPlace place = locateBook("book.zip");
    ASSERT_EQ(place.kind, BookPlace::Kind::BookFolder) << phraseOf(place.problem);
    EXPECT_EQ(place.archive->bookRoot(), "forest/");
}

// An archive's own font is the one the player draws with.
TEST_F(Archives, AnArchivesOwnFontIsFoundAndRead)
{
    std::vector<ZipMember> members = bookMembers("");
    members.push_back({"font.dat", readFile(std::string(QUORVEL_DEMO_DIR) + "/font.dat")});
    writeFile("book.zip", zipArchive(members));
    const BookPlace place = locateBook("book.zip");
    const StartFiles files = startFilesFor(place);
    EXPECT_EQ(files.font, root + "/book.zip/font.dat");
    ASSERT_TRUE(enterBookPlace(place));
    const std::set<std::string> before = listing();
    const Result<OwnedFont> font = readFontFile(files.font);
    ASSERT_TRUE(font.value) << phraseOf(font.problem);
    EXPECT_EQ(text_height(font.value.get()), 16);
    EXPECT_EQ(listing(), before);
}

} // namespace
