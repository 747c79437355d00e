// One page of a book: its texts, its choices and their targets, its
// pictures and its sound.
#ifndef QUORVEL_GAMEDATA_H
#define QUORVEL_GAMEDATA_H

#include "buffers.h"

#include <allegro.h>

// A page record. The book reader fills it field by field; the page screen
// reads it. Texts are NUL-terminated copies the record owns, or null when
// the page has none; pictures and the sound are taken from the book's media
// store when their field is set and given back when the record is destroyed.
// Choices a page has room for: but1, but2 and but3, numbered 1 to 3.
const int CHOICES_PER_PAGE = 3;

class Gamedata {
public:
    Gamedata() = default;
    ~Gamedata();
    Gamedata(const Gamedata&) = delete;
    Gamedata& operator=(const Gamedata&) = delete;

    // Each copies `s` into a buffer of its own (LABEL_SIZE bytes for the
    // room name and labels, TEXT_SIZE for the main text), cut at a whole
    // UTF-8 character.
    void setRoomName(const char* s);
    void setText(const char* s);
    void setBut1Text(const char* s);
    void setBut2Text(const char* s);
    void setBut3Text(const char* s);

    // Target page numbers (pages count from 1), read as atoi reads them.
    void setBut1Goto(const char* s);
    void setBut2Goto(const char* s);
    void setBut3Goto(const char* s);
    // The target of choice `choice` (1 to 3) as a page number.
    void setButGoto(int choice, int target);

    // The page's name, the value of its page_start line: a choice's target
    // may name the page by it. Copied whole; an empty name gives none.
    void setPageName(const char* s);

    // Keep a copy of `path` and load the file now. A file that cannot be
    // loaded ends the program (under the player's loaders) or leaves the
    // field null (under the book checker's).
    void setBackground(const char* path);
    void setPico(const char* path);
    void setSound(const char* path);

    // Exactly "YES" plays the sound once; any other text makes it loop.
    void setSoundLoop(const char* s);

    BITMAP* getBackround() const { return background; }
    BITMAP* getPico() const { return pico; }
    int getPicoW() const { return pico->w; } // only while pico is set
    char* getText() const { return text; }
    SAMPLE* getSound() const { return sound; }
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
    BITMAP* background = nullptr;
    char* picoPath = nullptr;
    BITMAP* pico = nullptr;
    char* soundPath = nullptr;
    SAMPLE* sound = nullptr;
    int soundLoop = 0;
};

#endif
