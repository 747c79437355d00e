#include "app/startfiles.h"

#include "files/archive.h"
#include "files/bookfile.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// An environment variable's value, or "" when it is unset.
std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A working directory place for the current directory.
BookPlace currentDirectoryPlace()
{
    BookPlace place;
    place.kind = BookPlace::Kind::WorkingDirectory;
    place.shownPath = ".";
    place.folder = currentDirectory();
    place.workDir = place.folder;
    return place;
}

} // namespace

const char* const START_ADVICE =
    "start quorvel in a working directory that holds it, or give a book folder:"
    " quorvel path/to/book";

std::string currentDirectory()
{
    std::error_code failed;
    const fs::path here = fs::current_path(failed);
    return failed ? std::string(".") : here.string();
}

// The folder `name` under the share/ beside the executable's bin/, or ""
// when it is not there.
static std::string besideExecutable(const char* name)
{
    std::error_code failed;
    const fs::path executable = fs::read_symlink("/proc/self/exe", failed);
    if (failed)
        return "";
    const fs::path folder = (executable.parent_path() / ".." / "share" / name).lexically_normal();
    if (!fs::is_directory(folder, failed))
        return "";
    return folder.string();
}

std::string installedDataDir()
{
    return besideExecutable("quorvel");
}

std::string installedLocaleDir()
{
    return besideExecutable("locale");
}

std::string userDir(const char* xdgVariable, const char* underHome)
{
    const std::string xdg = environment(xdgVariable);
    if (!xdg.empty() && xdg[0] == '/')
        return xdg + "/quorvel";
    const std::string home = environment("HOME");
    if (home.empty() || home[0] != '/')
        return "";
    return home + "/" + underHome + "/quorvel";
}

std::string userConfigDir()
{
    return userDir("XDG_CONFIG_HOME", ".config");
}

StartFiles startFilesFor(const BookPlace& place)
{
    StartFiles files;
    const fs::path folder(place.folder);
    if (place.kind != BookPlace::Kind::BookFolder) {
        files.font = (folder / "font.dat").string();
        return files;
    }
    const std::string installed = installedDataDir();
    files.font = (folder / "font.dat").string();
    // An archive's own font is looked for in it, mounted or not yet.
    const bool ownFont = place.archive ? place.archive->find("font.dat") != nullptr
                                       : !bookFileProblem(files.font);
    if (!ownFont && !installed.empty())
        files.font = installed + "/font.dat";
    const std::string config = userConfigDir();
    files.settings = config.empty() ? "" : config + "/ini.dat";
    files.settingsExpected = false;
    files.settingsFolder = config;
    if (!installed.empty())
        files.defaultTitlePicture = installed + "/pico/title.png";
    files.book = place.book;
    return files;
}

BookPlace placeWithoutBook()
{
    if (fileKindAt("ini.dat") == FileKind::Regular || fileKindAt("font.dat") == FileKind::Regular)
        return currentDirectoryPlace();
    const std::string installed = installedDataDir();
    if (!installed.empty()) {
        const BookPlace demo = locateBook(installed + "/books/demo");
        if (demo.kind == BookPlace::Kind::BookFolder)
            return demo;
    }
    return currentDirectoryPlace();
}
