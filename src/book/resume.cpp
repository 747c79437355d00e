#include "book/resume.h"

#include "app/startfiles.h"
#include "book/book.h"
#include "files/bookfile.h"
#include "files/replacefile.h"
#include "init.h"
#include "text/keyvalue.h"
#include "text/regularfile.h"
#include "text/target.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::uint64_t FNV_OFFSET = 14695981039346656037ull;
const std::uint64_t FNV_PRIME = 1099511628211ull;

std::uint64_t fnv1a(const char* bytes, std::size_t size, std::uint64_t hash = FNV_OFFSET)
{
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= FNV_PRIME;
    }
    return hash;
}

std::string hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

// The absolute path of the book folder (or the zip archive of a book) the
// `book` setting names, without links or dots; empty when there is none.
std::string bookFolder()
{
    std::error_code error;
    const fs::path folder = fs::canonical(book, error);
    if (error || !(fs::is_directory(folder, error) || fs::is_regular_file(folder, error)))
        return "";
    return folder.string();
}

// The book's name as it may stand in a file name: letters, digits, '-'
// and '_' of the folder's last part, the rest as '_'.
std::string readableName(const std::string& folder)
{
    std::string name;
    for (char c : fs::path(folder).filename().string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
                           || (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += plain ? c : '_';
    }
    return name.substr(0, 32);
}

// A page number from 1 to INT_MAX as the player writes it: digits only,
// and no leading zero.
bool readStatePage(const std::string& text, int& number)
{
    long long value = 0;
    if (text.empty() || text[0] == '0' || !readWholeNumber(text, 1, INT_MAX, value))
        return false;
    number = static_cast<int>(value);
    return true;
}

struct ResumeState {
    std::string fingerprint;
    int page = 0;          // from 1
    std::vector<int> back; // from 1, the oldest first
    bool backRead = true;  // false when a back line was there and was not understood
};

// A back line's pages, "1,2,4", as the player writes them; false when any
// is not a page number, or there are more than RESUME_BACK_KEPT.
bool readStateBack(const std::string& text, std::vector<int>& pages)
{
    pages.clear();
    std::size_t from = 0;
    while (from <= text.size() && !text.empty()) {
        std::size_t to = text.find(',', from);
        if (to == std::string::npos)
            to = text.size();
        int page = 0;
        if (!readStatePage(text.substr(from, to - from), page)
            || pages.size() >= static_cast<std::size_t>(RESUME_BACK_KEPT))
            return false;
        pages.push_back(page);
        from = to + 1;
    }
    return true;
}

// The most a state file the player wrote can hold: a comment naming the
// book's folder, the fingerprint, the page and the pages behind it. A longer file is none of
// the player's.
const long long STATE_BYTES = 8192;

// Reads a state file: a regular file of at most STATE_BYTES, opened without
// blocking (a FIFO or a device put at its path is refused at once). False
// when it cannot be read or lacks either entry.
bool readState(const std::string& path, ResumeState& state)
{
    RegularFile file(path.c_str());
    if (!file.isOpen() || file.size() > STATE_BYTES)
        return false;
    std::string text(static_cast<std::size_t>(file.size()), '\0');
    if (file.readAt(0, text.data(), text.size()) != text.size())
        return false;
    bool hasPage = false;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t to = text.find('\n', from);
        if (to == std::string::npos)
            to = text.size();
        std::string line = text.substr(from, to - from);
        from = to + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string_view key, value;
        if (splitKeyValue(line, key, value) != LineKind::Entry)
            continue;
        if (key == "fingerprint")
            state.fingerprint = std::string(value);
        else if (key == "page")
            hasPage = readStatePage(std::string(value), state.page);
        else if (key == "back")
            state.backRead = readStateBack(std::string(value), state.back);
    }
    return hasPage && !state.fingerprint.empty();
}

} // namespace

std::string resumeFolder()
{
    return userDir("XDG_STATE_HOME", ".local/state");
}

std::string resumeFilePath(const std::string& bookFolder)
{
    const std::string folder = resumeFolder();
    if (folder.empty() || bookFolder.empty())
        return "";
    const std::uint64_t hash = fnv1a(bookFolder.data(), bookFolder.size());
    return folder + "/" + readableName(bookFolder) + "-" + hex(hash) + ".txt";
}

int keptPage(const std::string& bookFolder, std::time_t* when)
{
    const std::string path = resumeFilePath(bookFolder);
    ResumeState state;
    if (path.empty() || !readState(path, state))
        return 0;
    std::error_code error;
    const auto written = fs::last_write_time(path, error);
    if (when && !error)
        *when = std::chrono::system_clock::to_time_t(
            std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                written - fs::file_time_type::clock::now() + std::chrono::system_clock::now()));
    return state.page;
}

std::string fileFingerprint(const std::string& path)
{
    // Read as the book reader reads it: from disk or from the book's archive.
    const BookFile file(path);
    if (!file.isOpen())
        return "";
    std::uint64_t hash = FNV_OFFSET;
    std::uint64_t length = 0;
    std::vector<char> buffer(65536);
    for (;;) {
        const std::size_t got = file.readAt(static_cast<long long>(length), buffer.data(), buffer.size());
        if (got == 0)
            break;
        hash = fnv1a(buffer.data(), got, hash);
        length += got;
    }
    if (static_cast<long long>(length) != file.size() || file.readProblem())
        return "";
    return hex(hash) + "-" + std::to_string(length);
}

namespace {

// The state remembered for the book in the `book` setting when it fits the
// book as it is now, of `pageCount` pages.
bool fittingState(int pageCount, ResumeState& state)
{
    if (!resumeReading)
        return false;
    const std::string path = resumeFilePath(bookFolder());
    return !path.empty() && readState(path, state)
           && state.fingerprint == fileFingerprint(bookFilePath()) && state.page <= pageCount;
}

} // namespace

int rememberedPage(int pageCount)
{
    ResumeState state;
    return fittingState(pageCount, state) ? state.page - 1 : -1;
}

std::vector<int> rememberedHistory(int pageCount)
{
    ResumeState state;
    std::vector<int> behind;
    if (!fittingState(pageCount, state) || !state.backRead)
        return behind;
    for (int page : state.back) {
        if (page > pageCount)
            return {};
        behind.push_back(page - 1);
    }
    return behind;
}

std::optional<Problem> rememberLeftPage(int index, const std::vector<int>& behind)
{
    if (!resumeReading || index < 0)
        return std::nullopt;
    const std::string folder = bookFolder();
    const std::string path = resumeFilePath(folder);
    const std::string fingerprint = fileFingerprint(bookFilePath());
    if (path.empty() || fingerprint.empty())
        return std::nullopt;
    std::string shownFolder = folder; // on one line, whatever the folder's name holds
    for (char& c : shownFolder)
        if (c == '\n' || c == '\r')
            c = '?';
    std::string back;
    const std::size_t first =
        behind.size() > static_cast<std::size_t>(RESUME_BACK_KEPT) ? behind.size() - RESUME_BACK_KEPT : 0;
    for (std::size_t i = first; i < behind.size(); ++i)
        back += (back.empty() ? "" : ",") + std::to_string(behind[i] + 1);
    return replaceFile(path, "# Where the reader left the book " + shownFolder + "\n"
                             "fingerprint:" + fingerprint + ";\n"
                             "page:" + std::to_string(index + 1) + ";\n"
                             + (back.empty() ? "" : "back:" + back + ";\n"));
}

void forgetLeftPage()
{
    if (!resumeReading)
        return;
    const std::string path = resumeFilePath(bookFolder());
    if (!path.empty())
        std::remove(path.c_str());
}
