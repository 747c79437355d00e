#include "files/bookfile.h"

#include "files/archive.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
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

// Links followed on one path before it counts as a loop, as the system
// counts them.
const int MAX_LINKS = 40;

// Whether the name's parts ("." and ".." taken as they come) climb above
// where they start.
bool climbs(const std::vector<std::string>& parts)
{
    int depth = 0;
    for (const std::string& part : parts) {
        if (part == "..") {
            if (--depth < 0)
                return true;
        } else if (part != ".") {
            ++depth;
        }
    }
    return false;
}

// Whether `path` is `folder` or lies below it (both resolved, no '/' at
// the end of `folder`, unless it is the root).
bool below(const std::string& path, const std::string& folder)
{
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path == folder
           || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0
               && path[folder.size()] == '/');
}

// The parts of an absolute path, "." and ".." taken as they come.
std::string lexicallyNormal(const std::string& path)
{
    std::vector<std::string> kept;
    for (const std::string& part : partsOf(path)) {
        if (part == "..") {
            if (!kept.empty())
                kept.pop_back();
        } else if (part != ".") {
            kept.push_back(part);
        }
    }
    std::string normal;
    for (const std::string& part : kept)
        normal += "/" + part;
    return normal.empty() ? "/" : normal;
}

// Whether `name`, followed from the resolved folder `root` part by part,
// its links read as it goes, leads out of `root`. Only paths below `root`
// are looked at; a part that is missing ends the looking, and what follows
// it is taken by its text alone.
bool leadsOut(const std::string& root, const std::string& name)
{
    std::string at = root;
    std::deque<std::string> left;
    for (const std::string& part : partsOf(name))
        left.push_back(part);
    bool looking = true;
    int links = 0;
    while (!left.empty()) {
        const std::string part = left.front();
        left.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            if (at == root)
                return true;
            at.erase(at.rfind('/'));
            if (at.empty())
                at = "/";
            continue;
        }
        const std::string next = (at == "/" ? "" : at) + "/" + part;
        struct stat status;
        const bool there = looking && lstat(next.c_str(), &status) == 0;
        if (!there || !S_ISLNK(status.st_mode)) {
            looking = there;
            at = next;
            continue;
        }
        if (++links > MAX_LINKS)
            return false; // a loop: opening it fails as the system says
        char target[PATH_MAX];
        const ssize_t length = readlink(next.c_str(), target, sizeof target - 1);
        if (length <= 0)
            return false; // gone meanwhile: opening finds nothing
        const std::string text(target, static_cast<std::size_t>(length));
        std::vector<std::string> parts;
        if (text[0] == '/') {
            const std::string normal = lexicallyNormal(text);
            if (!below(normal, root))
                return true;
            at = root;
            parts = partsOf(normal.substr(root.size()));
        } else {
            parts = partsOf(text);
        }
        left.insert(left.begin(), parts.begin(), parts.end());
    }
    return false;
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

bool BookFile::readsOnlyFromItsStart() const
{
    return entry_ && entry_->packed();
}

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

std::optional<Problem> outsideFolderProblem(const std::string& folder, const std::string& path)
{
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0)
        return std::nullopt; // cut short within the folder's own path: no name to look at
    const std::string name = path.substr(folder.size());
    std::vector<std::string> parts = partsOf(folder);
    const std::string shownFolder = parts.empty() ? folder : parts.back() + "/";
    const Problem outside{ProblemKind::NotFound, path,
                          "is outside the book's " + shownFolder
                              + " folder: a book reads only its own pictures and sounds"};
    if (!name.empty() && name[0] == '/')
        return outside;
    if (climbs(partsOf(name)))
        return outside;
    // An archive holds no links; on disk, follow them.
    if (placeOf(path).archive)
        return std::nullopt;
    char* resolved = realpath(folder.c_str(), nullptr);
    if (!resolved)
        return std::nullopt; // no folder: nothing in it is found
    const std::string root = resolved;
    std::free(resolved);
    if (leadsOut(root, name))
        return outside;
    return std::nullopt;
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
