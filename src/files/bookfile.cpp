#include "files/bookfile.h"

#include "files/archive.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

std::vector<std::shared_ptr<Archive>>& mounted()
{
    static std::vector<std::shared_ptr<Archive>> archives;
    return archives;
}

std::vector<std::string> partsOf(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (from <= path.size()) {
        std::size_t to = path.find('/', from);
        if (to == std::string::npos)
            to = path.size();
        if (to > from)
            parts.push_back(path.substr(from, to - from));
        from = to + 1;
    }
    return parts;
}

// Where a path lies, for the mounted archives.
struct Place {
    std::shared_ptr<Archive> archive; // null: on disk
    bool outside = false;             // inside the archive, but leads out of its book
    std::string name;                 // the book path inside it, free of "." and ".."
};

Place placeOf(const std::string& path)
{
    Place place;
    if (mounted().empty() || path.empty())
        return place;
    std::string whole = path;
    if (whole[0] != '/') {
        char here[4096];
        if (!getcwd(here, sizeof here))
            return place;
        whole = std::string(here) + "/" + path;
    }
    const std::vector<std::string> parts = partsOf(whole);
    for (const std::shared_ptr<Archive>& archive : mounted()) {
        const std::vector<std::string> root = partsOf(archive->path());
        // The path's own parts up to the archive, dots taken as they come
        // (the archive is a file: nothing below it is on disk).
        std::vector<std::string> outer;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i] == ".")
                continue;
            if (parts[i] == "..") {
                if (!outer.empty())
                    outer.pop_back();
                continue;
            }
            outer.push_back(parts[i]);
            if (outer != root)
                continue;
            if (i + 1 == parts.size())
                break; // the archive itself, a file on disk
            place.archive = archive;
            std::vector<std::string> inner;
            for (std::size_t j = i + 1; j < parts.size(); ++j) {
                if (parts[j] == ".")
                    continue;
                if (parts[j] == "..") {
                    if (inner.empty())
                        place.outside = true;
                    else
                        inner.pop_back();
                    continue;
                }
                inner.push_back(parts[j]);
            }
            for (const std::string& part : inner)
                place.name += (place.name.empty() ? "" : "/") + part;
            return place;
        }
    }
    return place;
}

// An archive's entry as the library's packfile: read through the BookFile
// with a buffer of its own.
struct EntryStream {
    explicit EntryStream(const BookFile* from) : file(from) {}

    const BookFile* file;
    long long at = 0;
    unsigned char buffer[1 << 14];
    std::size_t pos = 0, got = 0;
    bool atEnd = false;
    int error = 0;

    bool fill()
    {
        if (pos < got)
            return true;
        got = file->readAt(at, buffer, sizeof buffer);
        at += static_cast<long long>(got);
        pos = 0;
        if (got == 0) {
            atEnd = true;
            error = file->readProblem() ? 1 : 0;
        }
        return got > 0;
    }
};

EntryStream* streamOf(void* userdata)
{
    return static_cast<EntryStream*>(userdata);
}

int entryClose(void* userdata)
{
    delete streamOf(userdata);
    return 0;
}

int entryGetc(void* userdata)
{
    EntryStream* stream = streamOf(userdata);
    return stream->fill() ? stream->buffer[stream->pos++] : EOF;
}

int entryUngetc(int c, void* userdata)
{
    EntryStream* stream = streamOf(userdata);
    if (stream->pos == 0)
        return EOF; // never after a refill: the library ungets only what it got
    stream->buffer[--stream->pos] = static_cast<unsigned char>(c);
    stream->atEnd = false;
    return c;
}

long entryRead(void* p, long n, void* userdata)
{
    EntryStream* stream = streamOf(userdata);
    long done = 0;
    while (done < n && stream->fill()) {
        const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(n - done),
                                                       stream->got - stream->pos);
        std::copy(stream->buffer + stream->pos, stream->buffer + stream->pos + take,
                  static_cast<unsigned char*>(p) + done);
        stream->pos += take;
        done += static_cast<long>(take);
    }
    return done;
}

int entryPutc(int, void*)
{
    return EOF; // read only
}

long entryWrite(const void*, long, void*)
{
    return 0;
}

// Moves `offset` bytes on from where it is.
int entrySeek(void* userdata, int offset)
{
    EntryStream* stream = streamOf(userdata);
    if (offset < 0)
        return -1;
    const std::size_t buffered = stream->got - stream->pos;
    if (static_cast<std::size_t>(offset) <= buffered) {
        stream->pos += static_cast<std::size_t>(offset);
        return 0;
    }
    stream->at += static_cast<long long>(offset - buffered);
    stream->pos = stream->got = 0;
    return 0;
}

int entryEof(void* userdata)
{
    return streamOf(userdata)->atEnd;
}

int entryError(void* userdata)
{
    return streamOf(userdata)->error;
}

const PACKFILE_VTABLE entryVtable = {
    entryClose, entryGetc, entryUngetc, entryRead, entryPutc,
    entryWrite, entrySeek, entryEof,    entryError,
};

} // namespace

void mountArchive(std::shared_ptr<Archive> archive)
{
    if (archive)
        mounted().push_back(std::move(archive));
}

void unmountArchives()
{
    mounted().clear();
}

BookFile::BookFile(const char* path) : path_(path)
{
    Place place = placeOf(path_);
    if (place.archive) {
        const ArchiveEntry* entry = place.outside ? nullptr : place.archive->find(place.name);
        if (!entry) {
            problem_ = fileKindProblem(FileKind::Missing, path);
            return;
        }
        if (entry->folder) {
            problem_ = fileKindProblem(FileKind::Directory, path);
            return;
        }
        entry_ = std::make_unique<EntryReader>(place.archive, *entry, path_);
        size_ = entry->size;
        return;
    }
    disk_ = std::make_unique<RegularFile>(path);
    if (!disk_->isOpen()) {
        problem_ = fileKindProblem(disk_->kind(), path);
        disk_.reset();
        return;
    }
    size_ = disk_->size();
}

BookFile::~BookFile() = default;

std::size_t BookFile::readAt(long long offset, void* buffer, std::size_t count) const
{
    if (disk_)
        return disk_->readAt(offset, buffer, count);
    if (entry_)
        return entry_->readAt(offset, buffer, count);
    return 0;
}

std::optional<Problem> BookFile::readProblem() const
{
    return entry_ ? entry_->problem() : std::nullopt;
}

PACKFILE* BookFile::packfile() const
{
    if (disk_)
        return disk_->packfile();
    if (!entry_)
        return nullptr;
    auto* stream = new EntryStream(this);
    PACKFILE* packed = pack_fopen_vtable(&entryVtable, stream);
    if (!packed)
        delete stream;
    return packed;
}

const char* BookFile::diskPath() const
{
    return disk_ ? path_.c_str() : nullptr;
}

std::optional<Problem> bookFileProblem(const std::string& path)
{
    return BookFile(path).problem();
}

std::size_t FileWindow::read(void* buffer, std::size_t count)
{
    const long long left = end_ - at_;
    if (left <= 0)
        return 0;
    if (count > static_cast<unsigned long long>(left))
        count = static_cast<std::size_t>(left);
    const std::size_t got = file_->readAt(at_, buffer, count);
    at_ += static_cast<long long>(got);
    return got;
}

long long FileWindow::seekTarget(long long offset, int whence) const
{
    if (whence == SEEK_CUR)
        return at_ + offset;
    if (whence == SEEK_END)
        return end_ + offset;
    return offset;
}

void FileWindow::moveTo(long long to)
{
    at_ = std::clamp(to, 0LL, end_);
}
