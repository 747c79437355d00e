#include "app/bookplace.h"

#include "text/regularfile.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool isFile(const fs::path& path)
{
    return fileKindAt(path.c_str()) == FileKind::Regular;
}

} // namespace

BookPlace locateBook(const std::string& givenPath)
{
    // A book file stands for the folder that holds it.
    std::string path = givenPath;
    if (fs::path(path).filename() == "pages.dat" && isFile(path)) {
        path = fs::path(path).parent_path().string();
        if (path.empty())
            path = ".";
    }
    BookPlace place;
    place.shownPath = path;
    while (place.shownPath.size() > 1 && place.shownPath.back() == '/')
        place.shownPath.pop_back();

    std::error_code failed;
    fs::path folder = fs::absolute(path, failed).lexically_normal();
    if (failed || path.empty())
        return place;
    if (folder.filename().empty())
        folder = folder.parent_path(); // "a/b/" is normalised to "a/b/" + ""
    place.folder = folder.string();
    if (isFile(folder / "ini.dat")) {
        place.kind = BookPlace::Kind::WorkingDirectory;
        place.workDir = place.folder;
        return place;
    }
    if (!isFile(folder / "pages.dat") || folder == folder.root_path())
        return place;
    place.kind = BookPlace::Kind::BookFolder;
    place.workDir = folder.parent_path().string();
    place.book = folder.filename().string();
    return place;
}

bool enterBookPlace(const BookPlace& place)
{
    std::error_code failed;
    fs::current_path(place.workDir, failed);
    return !failed;
}
