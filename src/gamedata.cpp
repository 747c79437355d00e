#include "gamedata.h"

#include "media/media.h"
#include "text/buffers.h"
#include "text/keyvalue.h"
#include "text/target.h"

#include <algorithm>
#include <cstring>

// Replaces the string in `field` with a copy of `s` cut to fit `limit` bytes,
// in a buffer no larger than the copy needs: a book of many pages keeps
// only the bytes its texts have.
static void replaceText(char*& field, std::size_t limit, const char* s)
{
    const std::size_t size = std::min(std::strlen(s) + 1, limit);
    char* copy = new char[size];
    copyCut(copy, size, s);
    delete[] field;
    field = copy;
}

// Keeps a copy of `path` in `pathField` and holds in `fileField`, in place of
// what it held, the file there as `acquire` checks it (null when refused,
// with the problem); null at once when it was `refused` before.
static std::optional<Problem> holdFile(char*& pathField, MediaFile*& fileField, const char* path,
                                       Result<MediaFile*> (*acquire)(const char*),
                                       const std::optional<Problem>& refused)
{
    replaceText(pathField, PATH_SIZE, path);
    Result<MediaFile*> checked;
    if (refused)
        checked.problem = refused;
    else
        checked = acquire(pathField);
    releaseMedia(fileField);
    fileField = checked.value;
    return checked.problem;
}

Gamedata::~Gamedata()
{
    releaseMedia(background);
    releaseMedia(pico);
    releaseMedia(sound);
    delete[] pageName;
    delete[] roomName;
    delete[] text;
    delete[] but1Text;
    delete[] but2Text;
    delete[] but3Text;
    delete[] backgroundPath;
    delete[] picoPath;
    delete[] soundPath;
}

void Gamedata::setRoomName(const char* s) { replaceText(roomName, LABEL_SIZE, s); }
void Gamedata::setText(const char* s) { replaceText(text, TEXT_SIZE, s); }
void Gamedata::setBut1Text(const char* s) { replaceText(but1Text, LABEL_SIZE, s); }
void Gamedata::setBut2Text(const char* s) { replaceText(but2Text, LABEL_SIZE, s); }
void Gamedata::setBut3Text(const char* s) { replaceText(but3Text, LABEL_SIZE, s); }

void Gamedata::setButText(int choice, const char* s)
{
    switch (choice) {
    case 1: setBut1Text(s); break;
    case 2: setBut2Text(s); break;
    case 3: setBut3Text(s); break;
    default: break;
    }
}

void Gamedata::setBut1Goto(const char* s) { but1Goto = readPageNumber(s); }
void Gamedata::setBut2Goto(const char* s) { but2Goto = readPageNumber(s); }
void Gamedata::setBut3Goto(const char* s) { but3Goto = readPageNumber(s); }

void Gamedata::setButGoto(int choice, int target)
{
    switch (choice) {
    case 1: but1Goto = target; break;
    case 2: but2Goto = target; break;
    case 3: but3Goto = target; break;
    default: break;
    }
}

void Gamedata::setPageName(const char* s)
{
    delete[] pageName;
    pageName = nullptr;
    if (*s)
        replaceText(pageName, std::strlen(s) + 1, s);
}

const char* Gamedata::getButText(int choice) const
{
    switch (choice) {
    case 1: return but1Text;
    case 2: return but2Text;
    case 3: return but3Text;
    default: return nullptr;
    }
}

int Gamedata::getButGoto(int choice) const
{
    switch (choice) {
    case 1: return but1Goto;
    case 2: return but2Goto;
    case 3: return but3Goto;
    default: return 0;
    }
}

std::optional<Problem> Gamedata::setBackground(const char* path, const std::optional<Problem>& refused)
{
    return holdFile(backgroundPath, background, path, acquirePicture, refused);
}

std::optional<Problem> Gamedata::setPico(const char* path, const std::optional<Problem>& refused)
{
    return holdFile(picoPath, pico, path, acquirePicture, refused);
}

std::optional<Problem> Gamedata::setSound(const char* path, const std::optional<Problem>& refused)
{
    return holdFile(soundPath, sound, path, acquireSound, refused);
}

BITMAP* Gamedata::getBackround() const
{
    return background ? decodedPicture(background).value : nullptr;
}

BITMAP* Gamedata::getPico() const
{
    return pico ? decodedPicture(pico).value : nullptr;
}

int Gamedata::getPicoW() const
{
    return getPico()->w;
}

SAMPLE* Gamedata::getSound() const
{
    return sound ? decodedSample(sound).value : nullptr;
}

void Gamedata::setSoundLoop(const char* s)
{
    soundLoop = isFlagOn(s) ? 0 : 1;
}
