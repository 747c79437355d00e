// The shelf's books: see shelf.h. Every path on the shelf is absolute and
// without links, so that a book met from two sources is listed once and
// finds the same resume state as the player that reads it.
#include "shelf/shelf.h"

#include "app/bookplace.h"
#include "app/startfiles.h"
#include "book/resume.h"
#include "files/replacefile.h"
#include "screen/window.h"
#include "text/keyvalue.h"
#include "text/regularfile.h"
#include "text/utf8.h"

#include <fcntl.h>
#include <stdio.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

// The bytes of a book's pages.dat read for its book_name line: book lines
// stand before the first page, and a book that puts it later is named by
// its folder.
const std::size_t NAME_LOOK_BYTES = 16384;

// The most bytes of the opened list read: OPENED_KEPT paths of PATH_MAX.
const long long OPENED_LIST_BYTES = static_cast<long long>(OPENED_KEPT) * 4096;

std::string canonicalOf(const std::string& path)
{
    std::error_code error;
    const fs::path canonical = fs::canonical(path, error);
    return error ? std::string() : canonical.string();
}

// The book_name line of the book folder at `folder`, before its first
// page; empty when it has none there (or is an archive: it is named by its
// file name, which needs no opening of it).
std::string bookNameLine(const std::string& folder)
{
    RegularFile file((folder + "/pages.dat").c_str());
    if (!file.isOpen())
        return "";
    std::string text(static_cast<std::size_t>(std::min<long long>(file.size(), NAME_LOOK_BYTES)), '\0');
    text.resize(file.readAt(0, text.data(), text.size()));
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t to = text.find_first_of("\r\n", from);
        if (to == std::string::npos)
            to = text.size();
        const std::string_view line(text.data() + from, to - from);
        from = to + 1;
        std::string_view key, value;
        if (splitKeyValue(line, key, value) != LineKind::Entry)
            continue;
        if (key == "page_start")
            break;
        if (key == "book_name" && isValidUtf8(value))
            return std::string(value);
    }
    return "";
}

// The book at `path` as the shelf lists it, when a book is there.
std::optional<ShelfBook> bookAt(const std::string& path, ShelfBook::Source source)
{
    const std::string absolute = canonicalOf(path);
    if (absolute.empty())
        return std::nullopt;
    const BookPlace place = locateBook(absolute);
    if (place.kind != BookPlace::Kind::BookFolder)
        return std::nullopt;
    ShelfBook book;
    book.source = source;
    book.path = absolute;
    book.name = bookShownName(absolute, place.archive ? "" : bookNameLine(absolute));
    book.leftAtPage = keptPage(absolute, &book.leftWhen);
    return book;
}

// The opened list's paths, newest first.
std::vector<std::string> openedPaths(const std::string& listPath)
{
    std::vector<std::string> paths;
    RegularFile file(listPath.c_str());
    if (!file.isOpen() || file.size() > OPENED_LIST_BYTES)
        return paths;
    std::string text(static_cast<std::size_t>(file.size()), '\0');
    text.resize(file.readAt(0, text.data(), text.size()));
    std::size_t from = 0;
    while (from < text.size() && paths.size() < static_cast<std::size_t>(OPENED_KEPT)) {
        std::size_t to = text.find('\n', from);
        if (to == std::string::npos)
            to = text.size();
        const std::string line = text.substr(from, to - from);
        from = to + 1;
        if (!line.empty() && line[0] == '/')
            paths.push_back(line);
    }
    return paths;
}

Problem problemAt(const std::string& path, const std::string& phrase)
{
    return {ProblemKind::NotWritten, path, phrase};
}

} // namespace

ShelfPlaces shelfPlaces()
{
    ShelfPlaces places;
    const std::string data = userDir("XDG_DATA_HOME", ".local/share");
    if (!data.empty())
        places.shelfFolder = data + "/books";
    const std::string state = resumeFolder();
    if (!state.empty())
        places.openedList = state + "/opened.txt";
    const std::string installed = installedDataDir();
    if (!installed.empty())
        places.demoBook = installed + "/books/demo";
    return places;
}

std::vector<ShelfBook> gatherShelf(const ShelfPlaces& places)
{
    std::vector<ShelfBook> books;
    std::set<std::string> listed;
    const auto add = [&](const std::string& path, ShelfBook::Source source) {
        std::optional<ShelfBook> book = bookAt(path, source);
        if (book && listed.insert(book->path).second)
            books.push_back(std::move(*book));
    };
    if (!places.shelfFolder.empty()) {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(places.shelfFolder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (!name.empty() && name[0] != '.') // a book being added is hidden
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            add(places.shelfFolder + "/" + name, ShelfBook::Source::ShelfFolder);
    }
    if (!places.openedList.empty())
        for (const std::string& path : openedPaths(places.openedList))
            add(path, ShelfBook::Source::OpenedBefore);
    if (!places.demoBook.empty())
        add(places.demoBook, ShelfBook::Source::Demo);
    return books;
}

std::optional<Problem> noteOpened(const std::string& listPath, const std::string& bookPath)
{
    if (listPath.empty() || bookPath.empty() || bookPath[0] != '/'
        || bookPath.find('\n') != std::string::npos)
        return std::nullopt;
    std::string text = bookPath + "\n";
    int kept = 1;
    for (const std::string& path : openedPaths(listPath))
        if (path != bookPath && kept < OPENED_KEPT) {
            text += path + "\n";
            ++kept;
        }
    return replaceFile(listPath, text);
}

Result<std::string> addToShelf(const std::string& from, const std::string& shelfFolder)
{
    Result<std::string> result;
    const BookPlace place = locateBook(from);
    if (place.kind != BookPlace::Kind::BookFolder) {
        result.problem = Problem{ProblemKind::NotFound, from,
                                 place.problem ? place.problem->phrase
                                               : "is no book: a book is a folder holding "
                                                 "pages.dat, or a zip archive of one"};
        return result;
    }
    if (shelfFolder.empty()) {
        result.problem = problemAt(from, "cannot be added: there is no shelf folder (HOME is not set)");
        return result;
    }
    const std::string name = fs::path(place.folder).filename().string();
    const std::string destination = shelfFolder + "/" + name;
    std::error_code error;
    fs::create_directories(shelfFolder, error);
    if (error) {
        result.problem = problemAt(shelfFolder, "cannot be made: " + error.message());
        return result;
    }
    if (fs::exists(fs::symlink_status(destination, error))) {
        result.problem = problemAt(destination, "is on the shelf already: the book there is kept "
                                                "(remove it first to put this one in its place)");
        return result;
    }
    // Made whole under a hidden name the shelf passes over, then renamed.
    const std::string partial = shelfFolder + "/.adding-" + std::to_string(getpid()) + "-" + name;
    fs::remove_all(partial, error);
    if (place.archive)
        fs::copy_file(place.folder, partial, error);
    else
        fs::copy(place.folder, partial, fs::copy_options::recursive, error);
    if (error) {
        const std::string why = error.message();
        fs::remove_all(partial, error);
        result.problem = problemAt(destination, "cannot be written: " + why);
        return result;
    }
    // renameat2 with RENAME_NOREPLACE: a book put there meanwhile is kept.
    if (renameat2(AT_FDCWD, partial.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) != 0) {
        const int why = errno;
        fs::remove_all(partial, error);
        result.problem = problemAt(destination, why == EEXIST ? "is on the shelf already: the book "
                                                                "there is kept"
                                                              : std::string("cannot be written: ")
                                                                    + std::strerror(why));
        return result;
    }
    result.value = destination;
    return result;
}

std::string shelfLine(const ShelfBook& book, const char* pageFormat, const char* demoNote)
{
    std::string line = book.name;
    if (book.source == ShelfBook::Source::Demo)
        line += demoNote;
    if (book.leftAtPage > 0) {
        char page[64];
        std::snprintf(page, sizeof page, pageFormat, book.leftAtPage);
        line += std::string(" — ") + page;
        if (book.leftWhen > 0) {
            char date[32];
            std::tm local{};
            localtime_r(&book.leftWhen, &local);
            std::strftime(date, sizeof date, "%Y-%m-%d", &local);
            line += std::string(", ") + date;
        }
    }
    return line;
}
