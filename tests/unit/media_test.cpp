// The media store (media/media.h): files checked when a book names them,
// decoded when asked for, kept within a budget, decoded ahead a slice at a
// time; and a bad file, refused as the book opens or when its page needs it.
#include "app/report.h"
#include "assets.h"
#include "book/book.h"
#include "gamepage.h"
#include "init.h"
#include "media/media.h"
#include "media/soundstream.h"
#include "testenv.h"
#include "text/buffers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------ the store

// Pictures of 100 x 100 pixels at 32 bits: 40,000 bytes each, decoded.
const std::size_t PICTURE_BYTES = 100 * 100 * 4;

class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        enterScratchDir("store");
        startLibraryWithoutDisplay();
        set_color_depth(32);
        for (const char* name : {"a.png", "b.png", "c.png"})
            putPicture(name, 100, 100, 200, 100, name[0]);
        ASSERT_TRUE(writeOgg("long.ogg", makeTone(440, STREAM_AFTER_SECONDS + 1, 8000), 8000, 1));
    }

    void TearDown() override
    {
        setOnScreen({});
        clearDecodeAhead();
        for (MediaFile* file : held)
            releaseMedia(file);
        setMediaBudget(DEFAULT_MEDIA_BUDGET);
        EXPECT_EQ(heldPictureCount() + heldSoundCount(), 0u);
        EXPECT_EQ(decodedMediaBytes(), 0u);
    }

    MediaFile* hold(MediaFile* file)
    {
        held.push_back(file);
        return file;
    }

    std::vector<MediaFile*> held;
};

TEST_F(Store, AFileIsCheckedWhenHeldAndDecodedWhenAskedFor)
{
    MediaFile* a = hold(acquirePicture("a.png").value);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(hold(acquirePicture("a.png").value), a) << "two namings, two entries";
    EXPECT_EQ(heldPictureCount(), 1u);
    EXPECT_EQ(pictureHeader(a).width, 100);
    EXPECT_EQ(decodedPictureCount(), 0u) << "decoded before it was asked for";

    BITMAP* picture = decodedPicture(a).value;
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->w, 100);
    EXPECT_EQ(decodedPicture(a).value, picture) << "decoded again";
    EXPECT_EQ(decodedMediaBytes(), PICTURE_BYTES);
}

TEST_F(Store, PastTheBudgetTheLeastRecentlyUsedGoButNeverThePageOnScreen)
{
    setMediaBudget(PICTURE_BYTES * 5 / 2); // room for two
    MediaFile* a = hold(acquirePicture("a.png").value);
    MediaFile* b = hold(acquirePicture("b.png").value);
    MediaFile* c = hold(acquirePicture("c.png").value);
    setOnScreen({a});
    BITMAP* shown = decodedPicture(a).value;
    decodedPicture(b).value;
    decodedPicture(c).value; // three do not fit: b, used least lately, goes
    EXPECT_TRUE(isDecoded(a));
    EXPECT_FALSE(isDecoded(b));
    EXPECT_TRUE(isDecoded(c));
    decodedPicture(b).value; // and now c
    EXPECT_FALSE(isDecoded(c));
    EXPECT_EQ(decodedMediaBytes(), 2 * PICTURE_BYTES);

    setMediaBudget(0); // nothing fits: only what is on screen stays
    EXPECT_EQ(decodedPictureCount(), 1u);
    EXPECT_EQ(decodedPicture(a).value, shown) << "the picture on screen was decoded anew";
    EXPECT_EQ(getpixel(shown, 50, 50), makecol32(200, 100, 'a'));
}

TEST_F(Store, ReadAheadDecodesOneFileASliceAndOnlyWhatFits)
{
    setMediaBudget(PICTURE_BYTES * 5 / 2);
    MediaFile* a = hold(acquirePicture("a.png").value);
    MediaFile* b = hold(acquirePicture("b.png").value);
    MediaFile* c = hold(acquirePicture("c.png").value);
    MediaFile* song = hold(acquireSound("long.ogg").value);
    ASSERT_TRUE(isLongSound(song));
    setOnScreen({a});
    decodedPicture(a).value;
    queueDecodeAhead(song); // streamed when played: never decoded ahead
    queueDecodeAhead(b);
    queueDecodeAhead(c);
    EXPECT_EQ(queuedAheadCount(), 2u);
    EXPECT_TRUE(decodeAheadSlice());
    EXPECT_TRUE(isDecoded(b));
    EXPECT_FALSE(decodeAheadSlice()) << "c does not fit beside a and b";
    EXPECT_FALSE(isDecoded(c));
    EXPECT_EQ(decodedSoundCount(), 0u);
    clearDecodeAhead();
    EXPECT_EQ(queuedAheadCount(), 0u);
}

TEST_F(Store, AFileThatFailsToDecodeAheadIsNotTriedAgainAhead)
{
    MediaFile* a = hold(acquirePicture("a.png").value);
    // Checked whole, then spoilt: its decoder now refuses it.
    writeFile("a.png", readFile("a.png").substr(0, 60));
    queueDecodeAhead(a);
    EXPECT_TRUE(decodeAheadSlice());
    EXPECT_FALSE(isDecoded(a));
    EXPECT_FALSE(decodeAheadSlice()) << "the failed file was decoded again";
}

TEST_F(Store, TheLastReleaseTakesAFileOffTheScreenAndTheQueue)
{
    MediaFile* a = acquirePicture("a.png").value;
    MediaFile* b = acquirePicture("b.png").value;
    setOnScreen({a});
    queueDecodeAhead(b);
    decodedPicture(a).value;
    releaseMedia(a);
    releaseMedia(b);
    EXPECT_EQ(onScreenCount(), 0u);
    EXPECT_EQ(queuedAheadCount(), 0u);
    EXPECT_FALSE(decodeAheadSlice());
}

// ------------------------------------------------------------ bad files

// A missing file, or one whose header its look refuses, ends the program
// as the book opens; one whose data turns out damaged ends it when a page
// needs it. Either way with the message naming it and EXIT_CANNOT_LOAD.
class BadFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        enterScratchDir("badfiles");
        startLibraryWithoutDisplay();
        set_color_depth(32);
        copyCut(book, sizeof book, "books/t");
        writeFile("books/t/pico/.keep", "");
        putPicture("books/t/pico/bg.png", 64, 48, 1, 2, 3);
        putPicture("books/t/pico/good.png", 64, 48, 4, 5, 6);
        png = readFile("books/t/pico/good.png");
    }

    void TearDown() override { freePages(); }

    // A book whose second page names `name` as its illustration.
    static void writeBookNaming(const std::string& name)
    {
        writeFile("books/t/pages.dat", "default_bg:bg.png;\n"
                                       "page_start:;\npico_name:good.png;\npage_end:;\n"
                                       "page_start:;\npico_name:" + name + ";\npage_end:;\n");
    }

    std::string png;
};

// Standard error's line on why, then the message box's text.
std::string cannotLoadMessage(const std::string& path, const std::string& why)
{
    return "quorvel: \"" + path + "\" " + why + "\nCan not load \"" + path
           + "\"\nProgramm will be closed.";
}

TEST_F(BadFiles, AMissingFileEndsTheOpening)
{
    writeBookNaming("missing.png");
    EXPECT_EXIT((toStderr(), loadBook()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                cannotLoadMessage("books/t/pico/missing.png", "not found"));
}

TEST_F(BadFiles, ADamagedHeaderEndsTheOpening)
{
    writeFile("books/t/pico/head.png", png.substr(0, 16)); // cut inside its header
    writeBookNaming("head.png");
    EXPECT_EXIT((toStderr(), loadBook()), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                cannotLoadMessage("books/t/pico/head.png", "cannot be decoded: its header is cut short or damaged"));
}

TEST_F(BadFiles, ADamagedBodyEndsTheProgramWhenItsPageNeedsIt)
{
    writeFile("books/t/pico/half.png", png.substr(0, png.size() / 2));
    writeBookNaming("half.png");
    ASSERT_TRUE(loadBook()) << "the book did not open";
    ASSERT_EQ(gamedataPages.size(), 2u);
    EXPECT_EQ(decodedPictureCount(), 0u);
    bindPageElements();
    cur_page = 1;
    EXPECT_EXIT((toStderr(), changePage(1)), testing::ExitedWithCode(EXIT_CANNOT_LOAD),
                cannotLoadMessage("books/t/pico/half.png",
                                  "cannot be decoded: its data is damaged \\(the file ends before its picture "
                                  "does\\)"));
}

} // namespace
