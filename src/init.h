// Start-up and shutdown of the library services; the settings (ini.dat), their
// buffers and their reader; the shared font and the reader of font.dat; the
// picture and sound loaders that end the program on a file they cannot load
// (through app/report.h, where fatalError lives); and the narrowing of text
// read in the library's UTF-8 format back to the file's bytes.
//
// The settings buffers and the font live from init() to the end of the
// process; done() gives the font and the logical screen (screen/display.h)
// back. Everything here runs on the main thread.
#ifndef QUORVEL_INIT_H
#define QUORVEL_INIT_H

// For StartupChoices.
#include "app/cmdline.h"
#include "app/startfiles.h"
// For the sizes of the settings buffers.
#include "text/buffers.h"
#include "text/keyvalue.h"
#include "text/problem.h"

#include <allegro.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Settings, filled by read_ini_file() and kept for the whole run.
extern char windowed[WINDOWED_SIZE];    // exactly "YES" selects a window
extern char book[PATH_SIZE];            // "books/" + the book's folder name
extern char main_bg_name[PATH_SIZE];    // "pico/" + the title background's file name
extern char end_message_1[LABEL_SIZE];  // the three lines of the end-of-book alert;
extern char end_message_2[LABEL_SIZE];  // a book may replace them
extern char end_message_3[LABEL_SIZE];
extern bool resumeReading;
extern bool resumeSettingGiven; // a resume line was read, whatever its value              // resume:YES; open each book where the reader left it
extern bool speechAtStart;              // speech:YES; read aloud from the start
extern int window_scale;               // 1 to MAX_SCALE, or SCALE_AUTO (screen/display.h)

// The font of every text, read from font.dat (text/fontfile.h: the demo's
// is DejaVu Sans) from init() to done(), which destroys it; also the
// library's `font` meanwhile.
extern FONT* times12Font;

// What start-up takes from the command line and from the place the book
// was found in.
struct StartupChoices {
    WindowChoice window = WindowChoice::FromSettings; // over the windowed setting
    // Over the resume setting; without either, books are remembered when
    // the player was started on a book rather than in a working directory.
    ResumeChoice resume = ResumeChoice::FromSettings;
    bool speech = false; // --speech: read aloud from the start, whatever the settings say
    StartFiles files;  // the working directory's own files unless told otherwise
    int scale = SCALE_FROM_SETTINGS;                  // over the scale setting
};

// Whether the player remembers where the reader leaves each book: as the
// command line says (`choice`), else as a resume line of the settings says
// (`settingGiven`, `settingOn`), else when it was started on a book or
// without one (`startedOnABook`), and not in a working directory, which is
// its author's and where nothing is written unless asked.
bool remembersReading(ResumeChoice choice, bool settingGiven, bool settingOn, bool startedOnABook);

// Brings up the library services in order. Returns only on success: any
// failure ends the program through fatalError() (app/report.h), with the
// exit status for it.
void init(const StartupChoices& choices = StartupChoices());

// Ends reading aloud, destroys the logical screen (doubleBuffer) and the
// font.
void done();

// Reads font.dat through readFontFile (text/fontfile.h) and makes its font
// times12Font and the library's `font`; ends the program, saying what is
// wrong with the file, when it cannot be read.
void load_fonts();

// load_fonts for the font datafile at `path`.
void loadFontFile(const std::string& path);

// Loads a picture through decodePicture (PNG, BMP, PCX or TGA; see
// media/picture.h). Ends the program naming `path` when it cannot be loaded. The
// caller owns the bitmap.
BITMAP* loadPico(const char* path);

// Loads a sound through decodeSound (Ogg Vorbis or WAV; see media/sound.h). Ends
// the program naming `path` when it cannot be loaded. The caller owns the sample.
SAMPLE* loadAudio(const char* path);

// The path of the title picture: main_bg_name, or the picture start-up
// chose for a book folder (the user's, or the installed one), which may be
// longer than main_bg_name holds.
const char* titlePicture();

// loadPico for the title picture: when it cannot be loaded, start-up also
// says on standard error where it was looked for and what to do.
BITMAP* loadTitlePicture(const char* path);

// The check after a load: returns 1 when `bitmap` (what loading `path` gave)
// is set; otherwise ends the program through cannotLoad(path)
// (app/report.h). It looks at the result only, never at the file.
int if_file_exists(BITMAP* bitmap, const char* path);
// The same for a sample loaded from `path`.
int if_sound_exists(SAMPLE* sample, const char* path);

// Sets the three end messages to their defaults, as a book finds them.
void resetEndMessages();

// The default of end message `line` (1 to 3), in the reader's language.
const char* defaultEndMessage(int line);

// Resets the settings to their defaults, then reads ini.dat when it exists,
// applying each line whose key settingKeys() knows; shows a message box and
// keeps the defaults when the file is not there.
void read_ini_file();

// Gives the settings their defaults (main_bg_name keeps its contents).
void resetSettings();

// What a setting's value names, for a tool that looks at what it points at.
enum class SettingNames {
    Nothing,
    BookFolder,    // the `book` setting: the book's folder
    TitlePicture,  // main_bg_name: the title picture
};

// One key of ini.dat and what its value does.
struct SettingKey {
    const char* name;
    // Stores `value` (narrowed to the file's own bytes, so that folder and
    // file names are as on disk) in the setting. False, changing nothing,
    // for a value the key does not take: the line is ignored like one of an
    // unknown key.
    bool (*apply)(const std::string& value);
    // A second line adds its value to the first one's instead of replacing it.
    bool appends;
    // Bytes the setting keeps of what it is given (with what the reader puts
    // before it: "books/", "pico/"), terminator included, cut at a whole
    // character (text/buffers.h); 0 for a setting that keeps no text.
    std::size_t limit;
    // For a key that does not take every value: how an ignored value is told
    // ("neither a whole number from 1 to 8 nor auto"); empty for the others.
    std::string ignoredValue;
    // For a flag (exactly YES, or anything else): what each does.
    FlagMeaning flag;
    // What the player lacks without a line of this key ("the player has no
    // book to open"); null when the default serves.
    const char* lackedWithout;
    SettingNames names;
};

// Every key ini.dat knows, one row each: the settings reader goes by this
// table, and tools check a settings file against it.
const std::vector<SettingKey>& settingKeys();

// What the settings reader meets on a line, for a tool that explains
// ini.dat to its author.
enum class SettingEventKind {
    Applied,     // a known key whose value was applied
    Ignored,     // a known key whose value the key does not take
    UnknownKey,  // a valid line whose key the reader does not know
    InvalidLine, // a non-blank line that is neither an entry nor a comment
};

struct SettingEvent {
    int line = 0;                     // from 1
    SettingEventKind kind = SettingEventKind::Applied;
    std::string key;                  // narrowed to the file's own bytes
    std::string value;                // narrowed; for InvalidLine the whole line
    std::string after;                // on an entry's line: the text after its ';', narrowed
    const SettingKey* row = nullptr;  // for Applied and Ignored
};

using SettingObserver = std::function<void(const SettingEvent&)>;

// Applies each line of the settings file at `path` whose key settingKeys()
// knows, telling `observer` (when set) about each line. The problem,
// changing nothing, when the file is not there or cannot be opened.
std::optional<Problem> readSettingsFile(const char* path,
                                        const SettingObserver& observer = nullptr);

// The row of `name` (compared byte for byte), or null for a key ini.dat
// does not know.
const SettingKey* findSettingKey(std::string_view name);

// Text narrowing. A line read while the text format is UTF-8 holds each
// byte of the file as one character; this turns such text back into the
// file's own bytes. Text without bytes above 127 comes back unchanged.
std::string encrCyr(const std::string& text);

#endif
