#include "pack.h"

#include "files/archive.h"
#include "files/bookfile.h"
#include "init.h"
#include "report.h"
#include "text/buffers.h"

#include <zip.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// `book` + folder + file name, cut to a path buffer, as the reader builds it.
std::string playerPath(const char* folder, const std::string& fileName)
{
    char path[PATH_SIZE];
    copyCut(path, sizeof path, book);
    appendCut(path, sizeof path, folder);
    appendCut(path, sizeof path, fileName.c_str());
    return path;
}

// 1980-01-01 00:00, the first time a zip entry can state.
const zip_uint16_t fixedDosTime = 0;
const zip_uint16_t fixedDosDate = (0 << 9) | (1 << 5) | 1;
// A regular file readable by all, writable by its owner.
const zip_uint32_t fixedAttributes = 0100644u << 16;

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

Problem notWritten(const std::string& shownTarget, const std::string& phrase)
{
    return {ProblemKind::NotWritten, shownTarget, phrase};
}

// Removes the file at `path` when it is there, when it goes.
struct RemovedUnlessKept {
    std::string path;
    bool kept = false;
    ~RemovedUnlessKept()
    {
        std::error_code ignored;
        if (!kept)
            fs::remove(path, ignored);
    }
};

} // namespace

void NamedFiles::see(const BookEvent& event)
{
    if (event.kind != BookEventKind::Entry || !event.row)
        return;
    // A page takes the background last given before it.
    if (event.row->id == BookKeyId::PageStart && default_bg[0] != '\0')
        paths_.insert(bookRelative(default_bg));
    if (event.row->id == BookKeyId::PicoName || event.row->id == BookKeyId::SoundName)
        paths_.insert(bookRelative(playerPath(event.row->folder, event.value)));
}

Result<PackPlan> planPack(const std::string& top, const std::string& bookFolder,
                          const std::set<std::string>& named)
{
    PackPlan plan;
    plan.top = top;
    std::set<std::string> files = {"pages.dat"};
    if (!bookFileProblem(bookFolder + "/font.dat"))
        files.insert("font.dat");
    for (const std::string& path : named) {
        const fs::path normal = fs::path(path).lexically_normal();
        const std::string name = normal.generic_string();
        if (normal.is_absolute() || name.empty() || name == "." || name.compare(0, 2, "..") == 0
            || endsWith(name, "/"))
            return {{}, Problem{ProblemKind::Unsupported, path,
                                "lies outside the book's folder: it cannot be packed"}};
        files.insert(name);
    }
    plan.files.assign(files.begin(), files.end());
    return {plan, std::nullopt};
}

std::optional<Problem> writePack(const PackPlan& plan, const std::string& bookFolder,
                                 const std::string& target, const std::string& shownTarget)
{
    std::error_code failed;
    const fs::file_status there = fs::symlink_status(target, failed);
    if (fs::exists(there) && !fs::is_regular_file(there))
        return notWritten(shownTarget, "is there and is not a regular file: not replaced");

    // Every file is read whole before the archive is written: libzip reads
    // its sources when it closes the archive.
    std::vector<std::vector<unsigned char>> contents;
    for (const std::string& name : plan.files) {
        const BookFile file(bookFolder + "/" + name);
        if (!file.isOpen())
            return file.problem();
        if (file.size() > MAX_ENTRY_BYTES)
            return Problem{ProblemKind::TooLarge, file.path(),
                           "is larger than the player reads from an archive ("
                               + std::to_string(MAX_ENTRY_BYTES >> 20) + " MiB)"};
        std::vector<unsigned char> bytes(static_cast<std::size_t>(file.size()));
        if (file.readAt(0, bytes.data(), bytes.size()) != bytes.size())
            return file.readProblem() ? file.readProblem()
                                      : Problem{ProblemKind::Unreadable, file.path(),
                                                "cannot be read whole"};
        contents.push_back(std::move(bytes));
    }

    const std::string temporary = target + ".part" + std::to_string(getpid());
    int error = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_EXCL, &error);
    if (!archive) {
        zip_error_t why;
        zip_error_init_with_code(&why, error);
        const std::string phrase = zip_error_strerror(&why);
        zip_error_fini(&why);
        return notWritten(shownTarget, "cannot be written (" + phrase + ")");
    }
    RemovedUnlessKept removed{temporary};
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const std::string& name = plan.files[i];
        const std::string entry = plan.top + "/" + name;
        zip_source_t* source = zip_source_buffer(archive, contents[i].data(), contents[i].size(), 0);
        const zip_int64_t index =
            source ? zip_file_add(archive, entry.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            const std::string phrase = zip_strerror(archive);
            zip_discard(archive);
            return notWritten(shownTarget, "cannot be written (" + phrase + ")");
        }
        const zip_uint64_t at = static_cast<zip_uint64_t>(index);
        const bool dat = endsWith(name, ".dat");
        if (zip_set_file_compression(archive, at, dat ? ZIP_CM_DEFLATE : ZIP_CM_STORE, dat ? 9 : 0) != 0
            || zip_file_set_dostime(archive, at, fixedDosTime, fixedDosDate, 0) != 0
            || zip_file_set_external_attributes(archive, at, 0, ZIP_OPSYS_UNIX, fixedAttributes)
                   != 0) {
            const std::string phrase = zip_strerror(archive);
            zip_discard(archive);
            return notWritten(shownTarget, "cannot be written (" + phrase + ")");
        }
    }
    if (zip_close(archive) != 0) {
        const std::string phrase = zip_strerror(archive);
        zip_discard(archive);
        return notWritten(shownTarget, "cannot be written (" + phrase + ")");
    }

    // What was written is opened as the player opens a book.
    const Result<std::shared_ptr<Archive>> written = Archive::open(temporary);
    if (written.problem)
        return notWritten(shownTarget, "was written wrong: " + written.problem->phrase);
    if (!written.value->holdsBook() || written.value->bookRoot() != plan.top + "/"
        || written.value->entries().size() != plan.files.size())
        return notWritten(shownTarget, "was written wrong: the player does not find the book in it");

    if (std::rename(temporary.c_str(), target.c_str()) != 0)
        return notWritten(shownTarget, "cannot be written (" + std::string(std::strerror(errno)) + ")");
    removed.kept = true;
    return std::nullopt;
}
