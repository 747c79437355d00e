#include "init.h"

#include "app/cmdline.h"
#include "app/language.h"
#include "app/report.h"
#include "app/startfiles.h"
#include "files/linereader.h"
#include "input/readerinput.h"
#include "media/picture.h"
#include "media/sound.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "screen/window.h"
#include "speech/readaloud.h"
#include "text/buffers.h"
#include "text/fontfile.h"
#include "text/keyvalue.h"

#include <loadpng.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

char windowed[WINDOWED_SIZE];
bool resumeReading = false;
bool resumeSettingGiven = false;
bool speechAtStart = false;
char book[PATH_SIZE];
char main_bg_name[PATH_SIZE];
char end_message_1[LABEL_SIZE];
char end_message_2[LABEL_SIZE];
char end_message_3[LABEL_SIZE];
int window_scale = SCALE_AUTO;

FONT* times12Font = nullptr;

// The library's own font, given back to `font` when times12Font goes.
static FONT* libraryDefaultFont = nullptr;

// Whether to open a window rather than the full screen: the command line's
// choice, else the windowed setting.
static bool wantsWindow(WindowChoice choice)
{
    if (choice != WindowChoice::FromSettings)
        return choice == WindowChoice::Window;
    return isFlagOn(windowed);
}

// The title picture start-up chose; empty: main_bg_name as it stands.
static std::string chosenTitlePicture;

const char* titlePicture()
{
    return chosenTitlePicture.empty() ? main_bg_name : chosenTitlePicture.c_str();
}

// Reads the settings `files` name and applies what the place decides over
// them: the book, and where the title picture is.
static void readStartSettings(const StartFiles& files)
{
    if (files.settingsExpected) {
        read_ini_file();
    } else {
        resetSettings();
        if (!files.settings.empty())
            readSettingsFile(files.settings.c_str()); // the user's need not be there
    }
    if (!files.book.empty())
        copyCut(book, sizeof book, files.book.c_str());
    chosenTitlePicture.clear();
    if (main_bg_name[0] != '\0' && !files.settingsFolder.empty())
        chosenTitlePicture = files.settingsFolder + "/" + main_bg_name;
    else if (main_bg_name[0] == '\0')
        chosenTitlePicture = files.defaultTitlePicture;
}

bool remembersReading(ResumeChoice choice, bool settingGiven, bool settingOn, bool startedOnABook)
{
    if (choice != ResumeChoice::FromSettings)
        return choice == ResumeChoice::On;
    if (settingGiven)
        return settingOn;
    return startedOnABook;
}

void init(const StartupChoices& choices)
{
    set_uformat(U_UTF8);
    register_png_file_type();
    loadFontFile(choices.files.font);
    readStartSettings(choices.files);
    // A working directory is the author's own world, where nothing is
    // written unless its settings ask; a reader who opens a book (or the
    // demo, as the menu entry does) finds it where they left it, unless
    // their settings or the command line say otherwise.
    resumeReading = remembersReading(choices.resume, resumeSettingGiven, resumeReading,
                                     !choices.files.settingsExpected);

    const bool window = wantsWindow(choices.window);
    const int scale = choices.scale != SCALE_FROM_SETTINGS ? choices.scale : window_scale;
    if (!setDisplayMode(window, scale))
        fatalStartError(N_("Unable to set grafics mode"),
                        std::string("cannot open ")
                            + (window ? "a window, even of 640 x 480," : "the full screen, even at 640 x 480,")
                            + " at any colour depth (" + allegro_error + "): try "
                            + (window ? "--fullscreen" : "--window"),
                        EXIT_NO_DISPLAY);
    whenDisplayLost([] { fatalError(N_("Unable to set grafics mode"), EXIT_NO_DISPLAY); });
    showWindowTitle(bookShownName(book, ""));
    watchCloseButton();

    // The player runs on without sound, a mouse or a joystick driver.
    install_timer();
    install_keyboard();
    install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr);
    install_mouse();
    // The screens read the gamepad through the virtual pad, which takes the
    // joysticks as they are when it is built: after the driver.
    install_joystick(JOY_TYPE_AUTODETECT);
    installReaderPad();

    if (!createLogicalScreen())
        fatalStartError(N_("Unable to create double buffer"),
                        "not enough memory for a 640 x 480 off-screen picture", EXIT_NO_DISPLAY);
    startReadingAloud(choices.speech || speechAtStart);
}

void done()
{
    endReadingAloud();
    destroyLogicalScreen();
    if (times12Font) {
        if (font == times12Font)
            font = libraryDefaultFont;
        destroy_font(times12Font);
        times12Font = nullptr;
    }
}



void load_fonts()
{
    loadFontFile("font.dat");
}

void loadFontFile(const std::string& path)
{
    Result<OwnedFont> read = readFontFile(path);
    if (read.problem) {
        std::error_code failed;
        const std::filesystem::path where = std::filesystem::absolute(path, failed);
        fatalStartError(N_("Can not load font file!"),
                        "the font " + quoted(failed ? path : where.string()) + " "
                            + read.problem->phrase + ": " + START_ADVICE,
                        EXIT_CANNOT_LOAD);
    }
    libraryDefaultFont = font;
    times12Font = read.value.release();
    font = times12Font;
}

int if_file_exists(BITMAP* bitmap, const char* path)
{
    if (!bitmap)
        cannotLoad(path);
    return 1;
}

int if_sound_exists(SAMPLE* sample, const char* path)
{
    if (!sample)
        cannotLoad(path);
    return 1;
}

BITMAP* loadPico(const char* path)
{
    BITMAP* bitmap = decodePicture(path).value;
    if_file_exists(bitmap, path);
    return bitmap;
}

BITMAP* loadTitlePicture(const char* path)
{
    const Result<BITMAP*> picture = decodePicture(path);
    if (picture.problem) {
        const std::string what = *path ? "the title picture " + quoted(path) + " " + picture.problem->phrase
                                       : std::string("no title picture (main_bg in ini.dat)");
        complain(what + ", in " + currentDirectory() + ": " + START_ADVICE);
    }
    if_file_exists(picture.value, path);
    return picture.value;
}

SAMPLE* loadAudio(const char* path)
{
    SAMPLE* sample = decodeSound(path).value;
    if_sound_exists(sample, path);
    return sample;
}

static bool applyWindowed(const std::string& value)
{
    copyCut(windowed, sizeof windowed, value.c_str());
    return true;
}

static bool applyBook(const std::string& value)
{
    appendCut(book, sizeof book, value.c_str());
    return true;
}

// The title picture lives under pico/ in the working directory.
static bool applyMainBg(const std::string& value)
{
    appendCut(main_bg_name, sizeof main_bg_name, "pico/");
    appendCut(main_bg_name, sizeof main_bg_name, value.c_str());
    return true;
}

// The player then keeps, per book, the page the reader left it at
// (book/resume.h).
static bool applyResume(const std::string& value)
{
    resumeReading = isFlagOn(value);
    resumeSettingGiven = true;
    return true;
}

// A value that is no scale is ignored like an unknown key: the default stands.
static bool applyScale(const std::string& value)
{
    return parseScale(value.c_str(), window_scale);
}

// Exactly "YES", as for windowed: reading aloud is on from the start.
static bool applySpeech(const std::string& value)
{
    speechAtStart = isFlagOn(value);
    return true;
}

const std::vector<SettingKey>& settingKeys()
{
    const FlagMeaning noFlag = {nullptr, nullptr};
    static const std::vector<SettingKey> keys = {
        {"windowed", applyWindowed, false, WINDOWED_SIZE, "", {"gives a window", "full screen"},
         nullptr, SettingNames::Nothing},
        {"book", applyBook, true, PATH_SIZE, "", noFlag, "the player has no book to open",
         SettingNames::BookFolder},
        {"main_bg", applyMainBg, true, PATH_SIZE, "", noFlag,
         "the player has no title picture and cannot start", SettingNames::TitlePicture},
        {"resume", applyResume, false, 0, "",
         {"opens each book where the reader left it", "at its first page"}, nullptr,
         SettingNames::Nothing},
        {"scale", applyScale, false, 0,
         "neither a whole number from 1 to " + std::to_string(MAX_SCALE) + " nor auto", noFlag,
         nullptr, SettingNames::Nothing},
        {"speech", applySpeech, false, 0, "",
         {"reads aloud from the start", "waits for V"}, nullptr, SettingNames::Nothing},
    };
    return keys;
}

const SettingKey* findSettingKey(std::string_view name)
{
    return findRowNamed(settingKeys(), name);
}

// The defaults are the player's own texts, in the reader's language; each
// line has a context of its own, so that a translation may give the three
// lines words other than the message ids' two languages.
const char* defaultEndMessage(int line)
{
    switch (line) {
    case 1: return trIn("end of the book, first line", "Конец");
    case 2: return trIn("end of the book, second line", "The End");
    default: return trIn("end of the book, third line", "Всем спасибо.");
    }
}

void resetEndMessages()
{
    copyCut(end_message_1, sizeof end_message_1, defaultEndMessage(1));
    copyCut(end_message_2, sizeof end_message_2, defaultEndMessage(2));
    copyCut(end_message_3, sizeof end_message_3, defaultEndMessage(3));
}

void resetSettings()
{
    copyCut(windowed, sizeof windowed, FLAG_ON);
    copyCut(book, sizeof book, "books/");
    resumeReading = false;
    resumeSettingGiven = false;
    speechAtStart = false;
    resetEndMessages();
    window_scale = SCALE_AUTO;
}

std::optional<Problem> readSettingsFile(const char* path, const SettingObserver& observer)
{
    LineReader reader(path);
    if (!reader.isOpen())
        return reader.problem();
    std::string line;
    for (int number = 1; reader.next(line); ++number) {
        SettingEvent event;
        event.line = number;
        std::string_view key, value;
        const LineKind kind = splitKeyValue(line, key, value);
        if (kind == LineKind::Entry) {
            event.key = encrCyr(std::string(key));
            event.value = encrCyr(std::string(value));
            event.after = encrCyr(std::string(textAfterValue(line, value)));
            event.row = findSettingKey(key);
            if (!event.row)
                event.kind = SettingEventKind::UnknownKey;
            else if (!event.row->apply(event.value))
                event.kind = SettingEventKind::Ignored;
        } else if (kind == LineKind::Invalid && line.find_first_not_of(" \t") != std::string::npos) {
            event.kind = SettingEventKind::InvalidLine;
            event.value = encrCyr(line);
        } else {
            continue;
        }
        if (observer)
            observer(event);
    }
    return std::nullopt;
}

void read_ini_file()
{
    resetSettings();
    if (readSettingsFile("ini.dat"))
        showMessage(N_("Can not load ini.dat \n Using defaults."));
}

std::string encrCyr(const std::string& text)
{
    if (!need_uconvert(text.c_str(), U_ASCII, U_CURRENT))
        return text;
    // Narrowing never makes a text longer, so a buffer of the text's own
    // size holds the whole result.
    std::vector<char> narrowed(text.size() + 1);
    uconvert(text.c_str(), U_CURRENT, narrowed.data(), U_ASCII,
             static_cast<int>(narrowed.size()));
    return std::string(narrowed.data());
}
