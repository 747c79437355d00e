#include "session.h"

#include "init.h"
#include "media.h"
#include "picture.h"
#include "sound.h"

#include <loadpng.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool isFile(const fs::path& path)
{
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
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
    setMediaLoaders({decodePicture, decodeSound});
}

BookLocation locateBook(const std::string& path)
{
    BookLocation location;
    location.shownPath = path;
    while (location.shownPath.size() > 1 && location.shownPath.back() == '/')
        location.shownPath.pop_back();

    std::error_code failed;
    fs::path folder = fs::absolute(path, failed).lexically_normal();
    if (failed)
        return location;
    if (folder.filename().empty())
        folder = folder.parent_path(); // "a/b/" is normalised to "a/b/" + ""
    if (isFile(folder / "ini.dat")) {
        location.kind = BookLocation::Kind::WorkingDirectory;
        location.workDir = folder.string();
        location.fontPath = (folder / "font.dat").string();
        return location;
    }
    if (!isFile(folder / "pages.dat"))
        return location;
    location.kind = BookLocation::Kind::BookFolder;
    const std::string name = folder.filename().string();
    const fs::path parent = folder.parent_path();
    location.playerBook = "books/" + name;
    if (parent.filename() == "books") {
        location.workDir = parent.parent_path().string();
        location.book = location.playerBook;
    } else {
        location.workDir = parent.string();
        location.book = name;
    }
    location.fontPath = (parent.parent_path() / "font.dat").string();
    location.reportFile = location.shownPath + "/pages.dat";
    return location;
}

bool enterBook(BookLocation& location)
{
    std::error_code failed;
    fs::current_path(location.workDir, failed);
    if (failed)
        return false;
    if (location.kind == BookLocation::Kind::WorkingDirectory) {
        read_ini_file();
        location.book = book;
        location.playerBook = book;
        location.reportFile = location.shownPath + "/" + location.book + "/pages.dat";
    } else {
        copyCut(book, sizeof book, location.book.c_str());
    }
    return true;
}

LoadedFont loadFont(const std::string& path)
{
    LoadedFont loaded;
    loaded.found = exists(path.c_str()) != 0;
    if (!loaded.found)
        return loaded;
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
