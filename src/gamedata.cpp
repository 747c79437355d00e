#include "gamedata.h"

#include "init.h"
#include "media.h"

#include <climits>
#include <cstdlib>
#include <cstring>

// Replaces the string in `field` with a copy of `s` in a new buffer of `size` bytes.
static void replaceText(char*& field, std::size_t size, const char* s)
{
    delete[] field;
    field = new char[size];
    copyCut(field, size, s);
}

// atoi's reading of a number (blanks, sign, digits), held to the int range
// instead of overflowing.
static int readTarget(const char* s)
{
    const long long value = std::strtoll(s, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// Paths are kept in 64-byte buffers, as the reader builds them.
static const std::size_t PATH_SIZE = 64;

Gamedata::~Gamedata()
{
    releasePicture(background);
    releasePicture(pico);
    releaseSound(sound);
    delete[] roomName;
    delete[] text;
    delete[] but1Text;
    delete[] but2Text;
    delete[] but3Text;
    delete[] backgroundPath;
    delete[] picoPath;
    delete[] soundPath;
}

void Gamedata::setRoomName(const char* s) { replaceText(roomName, 64, s); }
void Gamedata::setText(const char* s) { replaceText(text, 4096, s); }
void Gamedata::setBut1Text(const char* s) { replaceText(but1Text, 64, s); }
void Gamedata::setBut2Text(const char* s) { replaceText(but2Text, 64, s); }
void Gamedata::setBut3Text(const char* s) { replaceText(but3Text, 64, s); }

void Gamedata::setBut1Goto(const char* s) { but1Goto = readTarget(s); }
void Gamedata::setBut2Goto(const char* s) { but2Goto = readTarget(s); }
void Gamedata::setBut3Goto(const char* s) { but3Goto = readTarget(s); }

void Gamedata::setBackground(const char* path)
{
    replaceText(backgroundPath, PATH_SIZE, path);
    BITMAP* loaded = acquirePicture(backgroundPath);
    releasePicture(background);
    background = loaded;
}

void Gamedata::setPico(const char* path)
{
    replaceText(picoPath, PATH_SIZE, path);
    BITMAP* loaded = acquirePicture(picoPath);
    releasePicture(pico);
    pico = loaded;
}

void Gamedata::setSound(const char* path)
{
    replaceText(soundPath, PATH_SIZE, path);
    SAMPLE* loaded = acquireSound(soundPath);
    releaseSound(sound);
    sound = loaded;
}

void Gamedata::setSoundLoop(const char* s)
{
    soundLoop = std::strcmp(s, "YES") == 0 ? 0 : 1;
}
