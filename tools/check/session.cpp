#include "session.h"

#include "init.h"
#include "media.h"
#include "picture.h"
#include "regularfile.h"
#include "sound.h"
#include "startfiles.h"

#include <loadpng.h>

#include <cerrno>
#include <cstdlib>
#include <map>

namespace {

// Why each refused file was refused, by path.
std::map<std::string, std::string> problems;

BITMAP* checkPicture(const char* path)
{
    std::string problem;
    BITMAP* picture = decodePicture(path, problem);
    if (!picture)
        problems[path] = problem;
    return picture;
}

SAMPLE* checkSound(const char* path)
{
    std::string problem;
    SAMPLE* sound = decodeSound(path, problem);
    if (!sound)
        problems[path] = problem;
    return sound;
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
    // The player's own decoders, without the fatal end of loadPico and
    // loadAudio: a file they refuse is one more line of the report.
    setMediaLoaders({checkPicture, checkSound});
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
