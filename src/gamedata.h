// One page of a book: its texts, its choices and their targets, its
// pictures and its sound.
#ifndef QUORVEL_GAMEDATA_H
#define QUORVEL_GAMEDATA_H

#include "media/media.h"
#include "text/buffers.h"
#include "text/problem.h"

#include <allegro.h>

#include <optional>

// A page record. The book reader fills it field by field; the page screen
// reads it. Texts are NUL-terminated copies the record owns, each in a
// buffer of its own size, or null when the page has none. Pictures and the
// sound are files held in the book's media store (media/media.h): checked when
// their field is set, decoded when a getter asks for them, and given back
// when the record is destroyed.
// Choices a page has room for: but1, but2 and but3, numbered 1 to 3.
const int CHOICES_PER_PAGE = 3;

class Gamedata {
public:
    Gamedata() = default;
    ~Gamedata();
    Gamedata(const Gamedata&) = delete;
    Gamedata& operator=(const Gamedata&) = delete;

    // Each copies `s`, cut at a whole UTF-8 character to fit LABEL_SIZE bytes
    // for the room name and labels, TEXT_SIZE for the main text.
    void setRoomName(const char* s);
    void setText(const char* s);
    void setBut1Text(const char* s);
    void setBut2Text(const char* s);
    void setBut3Text(const char* s);
    // The label of choice `choice` (1 to 3), as setBut1Text ... setBut3Text.
    void setButText(int choice, const char* s);

    // Target page numbers (pages count from 1), read as atoi reads them.
    void setBut1Goto(const char* s);
    void setBut2Goto(const char* s);
    void setBut3Goto(const char* s);
    // The target of choice `choice` (1 to 3) as a page number.
    void setButGoto(int choice, int target);

    // The page's name, the value of its page_start line: a choice's target
    // may name the page by it. Copied whole; an empty name gives none.
    void setPageName(const char* s);

    // Keep a copy of `path` and check the file now (see acquirePicture). A
    // file the check refuses leaves the field null, and its problem comes back.
    // A file already refused (`refused` set: one the book may not name, see
    // files/bookfile.h) is not looked at: the field is left null and
    // `refused` comes back.
    std::optional<Problem> setBackground(const char* path,
                                         const std::optional<Problem>& refused = std::nullopt);
    std::optional<Problem> setPico(const char* path,
                                   const std::optional<Problem>& refused = std::nullopt);
    std::optional<Problem> setSound(const char* path,
                                    const std::optional<Problem>& refused = std::nullopt);

    // Exactly "YES" plays the sound once; any other text makes it loop
    // (text/keyvalue.h: isFlagOn).
    void setSoundLoop(const char* s);

    // The decoded pictures and sound (the whole sound as a sample), decoded
    // now when the store does not hold them decoded; null when the page has
    // none, or when it cannot be decoded (the page screen asks the store,
    // media/media.h, for why). See media/media.h for how long the store
    // keeps them.
    BITMAP* getBackround() const; // the background
    BITMAP* getPico() const;
    int getPicoW() const; // only while pico is set
    char* getText() const { return text; }
    SAMPLE* getSound() const;
    int getSoundLoop() const { return soundLoop; }
    // Label (null when the choice is hidden) and target of choice 1, 2 or 3.
    const char* getButText(int choice) const;
    int getButGoto(int choice) const;

    char* pageName = nullptr;
    char* roomName = nullptr;
    char* text = nullptr;
    char* but1Text = nullptr;
    char* but2Text = nullptr;
    char* but3Text = nullptr;
    int but1Goto = 0;
    int but2Goto = 0;
    int but3Goto = 0;
    char* backgroundPath = nullptr;
    MediaFile* background = nullptr;
    char* picoPath = nullptr;
    MediaFile* pico = nullptr;
    char* soundPath = nullptr;
    MediaFile* sound = nullptr;
    int soundLoop = 0;
};

#endif
