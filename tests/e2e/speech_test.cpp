// Reading aloud, heard through a real speech-dispatcher: the real player in
// a real window speaks to a private service (tests/support/speechrecorder.h)
// whose output module writes down each piece it is given and its language.
// The tests press keys as a reader does and read back exactly what was
// said, in order.
#include "screen/display.h"
#include "screens.h"
#include "speechrecorder.h"
#include "testenv.h"
#include "title.h"
#include "xplayer.h"

#include <allegro.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Three pages: the first with three choices, the second a long text of
// twelve sentences, the third a text in two scripts, whose choice ends the
// book.
std::string bookFile()
{
    std::string longText;
    const char* const numbers[] = {"one", "two", "three", "four", "five", "six",
                                   "seven", "eight", "nine", "ten", "eleven", "twelve"};
    for (const char* number : numbers)
        longText += std::string("Sentence ") + number + ". ";
    return "default_bg:bg.png;\n"
           "page_start:;\nroom_name:Hall;\ntext_main:A quiet hall.;\n"
           "but1_text:North;\nbut1_goto:2;\nbut2_text:East;\nbut2_goto:2;\n"
           "but3_text:West;\nbut3_goto:2;\npage_end:;\n"
           "page_start:;\nroom_name:Long;\ntext_main:"
           + longText
           + ";\nbut1_text:On;\npage_end:;\n"
             "page_start:;\nroom_name:Mixed;\ntext_main:Привет. Hello there.;\n"
             "but1_text:End;\npage_end:;\n";
}

// The pieces a page, the menu or a box is said in, as language and text.
using Pieces = std::vector<std::pair<std::string, std::string>>;

Pieces piecesOf(const std::vector<Said>& said, std::size_t from, std::size_t count)
{
    Pieces pieces;
    for (std::size_t i = from; i < said.size() && i < from + count; ++i)
        pieces.push_back({said[i].language, said[i].text});
    return pieces;
}

const Pieces TITLE_MENU = {{"ru", "Книга:"}, {"en", "tale"}, {"en", "Start Game"}};
const Pieces FIRST_PAGE = {{"en", "Hall"},    {"en", "A quiet hall."}, {"en", "1: West"},
                           {"en", "2: East"}, {"en", "3: North"},      {"en", "Menu"}};
const Pieces THIRD_PAGE = {{"en", "Mixed"}, {"ru", "Привет."}, {"en", "Hello there."},
                           {"en", "1: End"}, {"en", "Menu"}};
// The end-of-book alert under the C locale: the default end messages and
// the button, each in the language of its script.
const Pieces END_ALERT = {{"ru", "Конец"}, {"en", "The End"}, {"ru", "Всем спасибо."}, {"ru", "Выход"}};

// The colour of the book's background.
const Rgb BACKGROUND = {200, 180, 120};

class SpeechEndToEnd : public ::testing::Test {
protected:
    // `pieceSeconds`: how long the service takes to say each piece.
    void startService(double pieceSeconds = 0)
    {
        recorder = std::make_unique<SpeechRecorder>(root + "/speechd", pieceSeconds);
        ASSERT_TRUE(recorder->start()) << recorder->log();
        setenv("SPEECHD_ADDRESS", recorder->address().c_str(), 1);
    }

    void SetUp() override
    {
        startLibraryWithoutDisplay();
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "these tests need an X display";
        root = enterScratchDir("speech-e2e");
        writeFile(".asoundrc", "pcm.!default { type null }\n");
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("LANG", "C", 1);
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        ASSERT_TRUE(writePicture("tale/pico/bg.png", 640, 480, BACKGROUND.r, BACKGROUND.g,
                                 BACKGROUND.b));
        writeFile("tale/pages.dat", bookFile());
        log = root + "/player.log";
    }

    void TearDown() override { unsetenv("SPEECHD_ADDRESS"); }

    // Starts the player on the book with reading aloud on (--speech), and
    // waits until its title menu shows, ready for keys.
    void startPlayerQuietly()
    {
        ASSERT_TRUE(player.start(QUORVEL_PROGRAM, root, log, {"--speech", root + "/tale"}));
        ASSERT_TRUE(player.waitForWindow(20)) << readFile(log);
        ASSERT_TRUE(awaitScreen(showsMenuButtons)) << readFile(log);
    }

    // startPlayerQuietly, and waits until the title menu has been said whole.
    void startPlayer()
    {
        ASSERT_NO_FATAL_FAILURE(startPlayerQuietly());
        ASSERT_TRUE(saysNext(TITLE_MENU)) << describe(recorder->said()) << "\n" << readFile(log);
    }

    // The title menu's three buttons, blue or amber (the focus).
    static bool showsMenuButtons(const Screenshot& s)
    {
        for (int button : {MENU_START, MENU_ABOUT, MENU_QUIT}) {
            const DIALOG& d = dialogMenu[button];
            const Rgb c = s.at(d.x + 4, d.y + 4);
            const bool blue = c.b > 200 && c.r < 40 && c.g < 60;
            if (!blue && !near(c, FOCUS_FACE))
                return false;
        }
        return true;
    }

    // Waits for `pieces` to be said, in order, as the next pieces after
    // those looked at before; then looks past them.
    bool saysNext(const Pieces& pieces, double seconds = 10)
    {
        const bool said = recorder->waitFor(
            [&](const std::vector<Said>& all) { return all.size() >= next + pieces.size(); },
            seconds);
        const Pieces got = piecesOf(recorder->said(), next, pieces.size());
        EXPECT_EQ(got, pieces) << "said from piece " << next << ": " << describe(recorder->said(), next);
        next += pieces.size();
        return said && got == pieces;
    }

    // Waits for a piece `text` among those not yet looked at, and looks past it.
    bool skipPast(const std::string& text)
    {
        const int at = recorder->waitForText(text, next, 10);
        EXPECT_GE(at, 0) << "\"" << text << "\" not said after piece " << next << ": "
                         << describe(recorder->said(), next);
        if (at < 0)
            return false;
        next = at + 1;
        return true;
    }

    // Waits up to 15 s for a screen that `ready` recognises, drawn whole
    // (two screenshots in a row alike): a screen that shows is reading its
    // keys.
    bool awaitScreen(const std::function<bool(const Screenshot&)>& ready)
    {
        Screenshot shot, previous;
        return player.waitForScreen(
            [&](const Screenshot& s) {
                const bool steady = s.pixels == previous.pixels;
                previous = s;
                return steady && ready(s);
            },
            15, shot);
    }

    // A page of the book: its background in the illustration's place.
    static bool showsPage(const Screenshot& s) { return near(s.at(300, 200), BACKGROUND); }

    // A message box over the middle of the page.
    static bool showsBox(const Screenshot& s)
    {
        return !near(s.at(LOGICAL_W / 2, LOGICAL_H / 2), BACKGROUND);
    }

    // Leaves a page with Esc, waits for the title menu, and ends the player
    // with Esc there; waits for it to end well.
    void quitFromPage()
    {
        player.pressKey(XK_Escape);
        ASSERT_TRUE(awaitScreen(showsMenuButtons)) << readFile(log);
        quitFromTitle();
    }

    void quitFromTitle()
    {
        player.pressKey(XK_Escape);
        const int status = player.waitForExit(10);
        if (status != 0)
            player.grab().save(root + "/not-ended.png");
        EXPECT_EQ(status, 0) << readFile(log) << root;
    }

    // The lines the player wrote about reading aloud on standard error.
    int failureLines() const
    {
        const std::string text = readFile(log);
        int lines = 0;
        for (std::size_t at = 0; (at = text.find("quorvel: reading aloud:", at)) != std::string::npos; ++at)
            ++lines;
        return lines;
    }

    std::string root, log;
    std::unique_ptr<SpeechRecorder> recorder;
    XPlayer player;
    std::size_t next = 0; // the first piece not yet looked at
};

// A page with three choices: its title, its text, its choices in the order
// the digit keys take them (counted from the left), then Menu; then each
// focus move says the focused choice at once.
TEST_F(SpeechEndToEnd, APageWithThreeChoicesThenAFocusMove)
{
    ASSERT_NO_FATAL_FAILURE(startService());
    ASSERT_NO_FATAL_FAILURE(startPlayer());
    player.pressKey(XK_Return); // Start Game
    ASSERT_TRUE(saysNext(FIRST_PAGE));
    // Enter went to the page with the keys: the focus is on its first
    // choice, North, at the right; Left moves it to East in the middle.
    player.pressKey(XK_Left);
    ASSERT_TRUE(saysNext({{"en", "2: East"}}));
    player.pressKey(XK_Tab); // round the choices from the left: East, then North
    ASSERT_TRUE(saysNext({{"en", "3: North"}}));
    quitFromPage();
}

// A page change cuts off the text being said: of the long page's twelve
// sentences, those after the key are never said, and the next page follows
// at once, Cyrillic in a Russian voice beside English in the reader's.
TEST_F(SpeechEndToEnd, APageChangeCutsOffTheText)
{
    ASSERT_NO_FATAL_FAILURE(startService(0.3)); // each sentence takes 0.3 s to say
    ASSERT_NO_FATAL_FAILURE(startPlayer());
    player.pressKey(XK_Return);
    ASSERT_TRUE(saysNext(FIRST_PAGE));
    player.pressKey(XK_1); // West, to the long page
    ASSERT_TRUE(saysNext({{"en", "Long"}, {"en", "Sentence one."}}));
    player.pressKey(XK_Return); // its one choice, while the sentences go on
    const int third = recorder->waitForText("Mixed", next, 10);
    ASSERT_GE(third, 0) << describe(recorder->said(), next);
    // At most the sentence being said when the key came, and the one after
    // it, got to the service before it cut them off.
    const std::vector<Said> said = recorder->said();
    EXPECT_LE(third - static_cast<int>(next), 2) << describe(said, next);
    for (const Said& piece : said)
        EXPECT_NE(piece.text, "Sentence twelve.") << describe(said);
    next = third;
    ASSERT_TRUE(saysNext(THIRD_PAGE));
    quitFromPage();
}

// The end-of-book alert says its lines and its button; the title menu is
// said again when the alert is answered.
TEST_F(SpeechEndToEnd, TheEndOfBookAlert)
{
    ASSERT_NO_FATAL_FAILURE(startService());
    ASSERT_NO_FATAL_FAILURE(startPlayer());
    player.pressKey(XK_Return);
    ASSERT_TRUE(saysNext(FIRST_PAGE));
    player.pressKey(XK_1);
    ASSERT_TRUE(skipPast("Menu")); // the long page, said whole
    player.pressKey(XK_Return);    // its On
    ASSERT_TRUE(skipPast("Menu")); // the third page
    // Space takes the focused choice as Enter does: the same key twice within
    // a pass of the player would be one press to it.
    player.pressKey(XK_space); // End: past the last page
    ASSERT_TRUE(saysNext(END_ALERT));
    ASSERT_TRUE(awaitScreen(showsBox));
    player.pressKey(XK_c);
    ASSERT_TRUE(saysNext(TITLE_MENU));
    ASSERT_TRUE(awaitScreen(showsMenuButtons));
    quitFromTitle();
}

// V says that reading aloud goes off, and nothing is said while it is off
// (a focus move); V again says that it is on, and it reads again (R says
// the page again).
TEST_F(SpeechEndToEnd, VTurnsReadingAloudOffAndOn)
{
    ASSERT_NO_FATAL_FAILURE(startService());
    ASSERT_NO_FATAL_FAILURE(startPlayer());
    player.pressKey(XK_Return);
    ASSERT_TRUE(saysNext(FIRST_PAGE));
    player.pressKey(XK_v);
    ASSERT_TRUE(saysNext({{"en", "Reading aloud: off"}}));
    player.pressKey(XK_Left); // a focus move, not said
    player.pressKey(XK_v);
    ASSERT_TRUE(saysNext({{"en", "Reading aloud: on"}}));
    player.pressKey(XK_r);
    ASSERT_TRUE(saysNext(FIRST_PAGE));
    player.pressKey(XK_Left); // from East, where the silent move left it
    ASSERT_TRUE(saysNext({{"en", "1: West"}}));
    quitFromPage();
}

// The reader's own language voices the player's texts: under ru_RU.UTF-8
// the title menu's book line and button are Russian, in a Russian voice,
// and the book's Latin name in English.
TEST_F(SpeechEndToEnd, TheReadersLanguageVoicesThePlayersTexts)
{
    setenv("LOCPATH", QUORVEL_TEST_LOCALES, 1);
    setenv("LANG", "ru_RU.UTF-8", 1);
    ASSERT_NO_FATAL_FAILURE(startService());
    ASSERT_NO_FATAL_FAILURE(startPlayerQuietly());
    ASSERT_TRUE(saysNext({{"ru", "Книга:"}, {"en", "tale"}, {"ru", "Начать"}}));
    player.pressKey(XK_Return);
    ASSERT_TRUE(saysNext({{"en", "Hall"}, {"en", "A quiet hall."}, {"en", "1: West"},
                          {"en", "2: East"}, {"en", "3: North"}, {"ru", "Меню"}}));
    quitFromPage();
}

// The service killed while reading: the player reads on, silently, tells
// the reader once on standard error, and shows it on the screen; its keys
// keep working to the end of the book and out.
TEST_F(SpeechEndToEnd, TheServiceKilledWhileReading)
{
    ASSERT_NO_FATAL_FAILURE(startService());
    ASSERT_NO_FATAL_FAILURE(startPlayer());
    player.pressKey(XK_Return);
    ASSERT_TRUE(saysNext(FIRST_PAGE));
    recorder->kill();
    player.pressKey(XK_1); // to the long page: said to a service that is gone
    Screenshot shot;
    // The notice at the foot of the screen: a dark box with light text.
    const auto noticeShown = [](const Screenshot& s) {
        int dark = 0;
        for (int x = 200; x < 440; x += 4)
            dark += s.at(x, 440).r < 60 && s.at(x, 440).g < 60;
        return dark > 30;
    };
    Screenshot previous;
    ASSERT_TRUE(player.waitForScreen(
        [&](const Screenshot& s) {
            const bool steady = s.pixels == previous.pixels;
            previous = s;
            return steady && noticeShown(s);
        },
        10, shot))
        << readFile(log);
    std::filesystem::create_directories(QUORVEL_BUILD_DIR "/screenshots");
    shot.save(QUORVEL_BUILD_DIR "/screenshots/speech-service-gone.png"); // to be looked at
    ASSERT_EQ(failureLines(), 1) << readFile(log);
    player.pressKey(XK_v);      // off...
    player.pressKey(XK_Return); // the long page's On, to the third page
    player.pressKey(XK_v);      // ...and on: the service is tried again, and still missing
    player.pressKey(XK_space);  // End: past the last page
    ASSERT_TRUE(awaitScreen(showsBox)) << readFile(log);
    player.pressKey(XK_c); // the end-of-book alert
    ASSERT_TRUE(awaitScreen(showsMenuButtons)) << readFile(log);
    quitFromTitle();
    EXPECT_EQ(failureLines(), 1) << "told once a run: " << readFile(log);
}

// No service at the address given: the player starts and reads as without
// speech, and says once that no service answers.
TEST_F(SpeechEndToEnd, NoServiceAtTheAddressGiven)
{
    setenv("SPEECHD_ADDRESS", ("unix_socket:" + root + "/nothing-here.sock").c_str(), 1);
    ASSERT_NO_FATAL_FAILURE(startPlayerQuietly());
    Screenshot shot;
    ASSERT_TRUE(player.waitForScreen([&](const Screenshot&) { return failureLines() == 1; }, 10, shot))
        << readFile(log);
    player.pressKey(XK_Return);
    ASSERT_TRUE(awaitScreen(showsPage)) << readFile(log);
    quitFromPage();
    EXPECT_EQ(failureLines(), 1) << readFile(log);
}

} // namespace
