#include "session.h"

#include "app/startfiles.h"
#include "init.h"
#include "media/media.h"
#include "media/picture.h"
#include "media/sound.h"
#include "text/buffers.h"
#include "text/regularfile.h"

#include <loadpng.h>

#include <cerrno>
#include <cstdlib>
#include <map>

namespace {

// Why each refused file was refused, by path.
std::map<std::string, std::string> problems;

// The checker decodes every file a book names as it reads the book (the
// player decodes a file only when a page needs it), so that a file whose
// header passes and whose data is damaged is reported too. Nothing decoded
// is kept.
template <typename Header, typename Decoded>
Header lookAndDecode(const char* path, Header (*look)(const char*),
                     Decoded* (*decode)(const char*, const Header&, std::string*),
                     void (*destroy)(Decoded*))
{
    Header header = look(path);
    if (header.ok) {
        Decoded* decoded = decode(path, header, &header.problem);
        header.ok = decoded != nullptr;
        if (decoded)
            destroy(decoded);
    }
    return header;
}

PictureHeader checkPicture(const char* path)
{
    return lookAndDecode(path, inspectPicture, decodeInspectedPicture, destroy_bitmap);
}

SoundHeader checkSound(const char* path)
{
    return lookAndDecode(path, inspectSound, decodeInspectedSound, destroy_sample);
}

// The store tells of each file these looks refuse, with the reason.
void noteProblem(const char* path, const std::string& problem)
{
    problems[path] = problem;
}

} // namespace

bool startLibraryForChecking()
{
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0)
        return false;
    set_uformat(U_UTF8);
    register_png_file_type();
    set_color_depth(32);
    installCheckingLoaders();
    return true;
}

void installCheckingLoaders()
{
    // The player's own checks and decoders, without the fatal end of the
    // player's loaders: a file they refuse is one more line of the report.
    MediaLoaders loaders = quietMediaLoaders();
    loaders.inspectPicture = checkPicture;
    loaders.inspectSound = checkSound;
    loaders.refused = noteProblem;
    setMediaLoaders(loaders);
}

std::string loadProblem(const std::string& path)
{
    const auto found = problems.find(path);
    return found == problems.end() ? "" : found->second;
}

BookLocation locateBookToCheck(const std::string& path)
{
    BookLocation location;
    location.place = locateBook(path);
    if (location.place.kind != BookPlace::Kind::Nothing)
        location.fontPath = startFilesFor(location.place).font;
    return location;
}

bool enterBook(BookLocation& location)
{
    const BookPlace& place = location.place;
    if (!enterBookPlace(place))
        return false;
    if (place.kind == BookPlace::Kind::WorkingDirectory) {
        read_ini_file();
        location.playerBook = book;
        location.reportFile = place.shownPath + "/" + book + "/pages.dat";
    } else {
        copyCut(book, sizeof book, place.book.c_str());
        location.playerBook = "books/" + place.book;
        location.reportFile = place.shownPath + "/pages.dat";
    }
    return true;
}

LoadedFont loadFont(const std::string& path)
{
    LoadedFont loaded;
    const FileKind kind = fileKindAt(path.c_str());
    loaded.found = kind != FileKind::Missing;
    if (kind != FileKind::Regular) {
        loaded.problem = fileKindProblem(kind); // a FIFO or device would never end loading
        return loaded;
    }
    loaded.data = load_datafile(path.c_str());
    if (loaded.data && loaded.data[0].type == DAT_FONT)
        loaded.font = static_cast<FONT*>(loaded.data[0].dat);
    return loaded;
}

void unloadFont(LoadedFont& loaded)
{
    if (loaded.data)
        unload_datafile(loaded.data);
    loaded = LoadedFont{};
}
