#include "app/bookplace.h"

#include "files/archive.h"
#include "files/bookfile.h"
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
    const FileKind kind = fileKindAt(folder.c_str());
    if (kind != FileKind::Directory && kind != FileKind::Missing) {
        // A book as one file; a FIFO or device is refused before it is opened.
        if (kind != FileKind::Regular) {
            place.problem = fileKindProblem(kind, place.shownPath.c_str());
            return place;
        }
        if (!looksLikeZipArchive(folder.string())) {
            place.problem = Problem{ProblemKind::Unsupported, place.shownPath,
                                    "is no book: a book is a folder that holds pages.dat, or a "
                                    "zip archive of one"};
            return place;
        }
        Result<std::shared_ptr<Archive>> opened = Archive::open(place.shownPath);
        if (opened.problem) {
            place.problem = opened.problem;
            return place;
        }
        if (!opened.value->holdsBook()) {
            place.problem = Problem{ProblemKind::NotFound, place.shownPath,
                                    "holds no book: no pages.dat at its root or in its one "
                                    "top folder"};
            return place;
        }
        place.kind = BookPlace::Kind::BookFolder;
        place.workDir = folder.parent_path().string();
        place.book = folder.filename().string();
        place.archive = opened.value;
        return place;
    }
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
    if (failed)
        return false;
    if (place.archive)
        mountArchive(place.archive);
    return true;
}
