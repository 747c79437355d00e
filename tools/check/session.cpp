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

namespace {

// The checker decodes every file a book names as it reads the book (the
// player decodes a file only when a page needs it), so that a file whose
// header passes and whose data is damaged is reported too. Nothing decoded
// is kept.
template <typename Header, typename Decoded>
Header lookAndDecode(const char* path, Header (*look)(const char*),
                     Result<Decoded*> (*decode)(const char*, const Header&),
                     void (*destroy)(Decoded*))
{
    Header header = look(path);
    if (!header.problem) {
        const Result<Decoded*> decoded = decode(path, header);
        header.problem = decoded.problem;
        if (decoded.value)
            destroy(decoded.value);
    }
    return header;
}

PictureHeader checkPicture(const char* path)
{
    return lookAndDecode(path, inspectPicture, decodeInspectedPicture, destroy_bitmap);
}

SoundHeader checkSound(const char* path)
{
    // Looked at whole, the length included, wherever the book lies.
    const auto wholeLook = [](const char* soundPath) { return inspectSound(soundPath); };
    return lookAndDecode<SoundHeader, SAMPLE>(path, wholeLook, decodeInspectedSound, destroy_sample);
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
    // The player's own checks and decoders: a file they refuse is one more
    // line of the report.
    MediaLoaders loaders = playerMediaLoaders();
    loaders.inspectPicture = checkPicture;
    loaders.inspectSound = checkSound;
    setMediaLoaders(loaders);
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
    Result<OwnedFont> read = readFontFile(path);
    LoadedFont loaded;
    loaded.found = !read.problem || read.problem->kind != ProblemKind::NotFound;
    if (read.problem && loaded.found)
        loaded.problem = read.problem->phrase;
    loaded.font = std::move(read.value);
    return loaded;
}

void unloadFont(LoadedFont& loaded)
{
    loaded = LoadedFont{};
}
