#include "text/regularfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace {

FileKind kindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Directory;
    if (S_ISFIFO(mode))
        return FileKind::Fifo;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    return FileKind::Device;
}

// The library's packfile calls, answered by a stdio stream.
FILE* streamOf(void* userdata)
{
    return static_cast<FILE*>(userdata);
}

int streamClose(void* userdata)
{
    return std::fclose(streamOf(userdata));
}

int streamGetc(void* userdata)
{
    return std::fgetc(streamOf(userdata));
}

int streamUngetc(int c, void* userdata)
{
    return std::ungetc(c, streamOf(userdata));
}

long streamRead(void* p, long n, void* userdata)
{
    return n <= 0 ? 0 : static_cast<long>(std::fread(p, 1, static_cast<std::size_t>(n), streamOf(userdata)));
}

int streamPutc(int, void*)
{
    return EOF; // read only
}

long streamWrite(const void*, long, void*)
{
    return 0;
}

int streamSeek(void* userdata, int offset)
{
    return std::fseek(streamOf(userdata), offset, SEEK_CUR);
}

int streamEof(void* userdata)
{
    return std::feof(streamOf(userdata));
}

int streamError(void* userdata)
{
    return std::ferror(streamOf(userdata));
}

const PACKFILE_VTABLE streamVtable = {
    streamClose, streamGetc, streamUngetc, streamRead, streamPutc,
    streamWrite, streamSeek, streamEof,    streamError,
};

} // namespace

std::optional<Problem> fileKindProblem(FileKind kind, const char* path)
{
    const auto problem = [path](ProblemKind problemKind, std::string phrase) {
        return Problem{problemKind, path, std::move(phrase)};
    };
    switch (kind) {
    case FileKind::Regular: return std::nullopt;
    case FileKind::Missing: return problem(ProblemKind::NotFound, "not found");
    case FileKind::Directory:
        return problem(ProblemKind::NotAFile, "cannot be loaded: it is a folder, not a file");
    case FileKind::Fifo:
        return problem(ProblemKind::NotAFile, "cannot be loaded: it is a FIFO, not a regular file");
    case FileKind::Socket:
        return problem(ProblemKind::NotAFile, "cannot be loaded: it is a socket, not a regular file");
    case FileKind::Device:
        return problem(ProblemKind::NotAFile, "cannot be loaded: it is a device, not a regular file");
    case FileKind::Unreadable:
        return problem(ProblemKind::Unreadable, "cannot be loaded: it cannot be read");
    case FileKind::PathTooLong:
        return problem(ProblemKind::Unreadable,
                       "cannot be loaded: its path is longer than the " + std::to_string(PATH_MAX)
                           + " bytes the system opens: move the book to a shorter place");
    }
    return std::nullopt;
}

FileKind fileKindAt(const char* path)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing
               : errno == ENAMETOOLONG             ? FileKind::PathTooLong
                                                   : FileKind::Unreadable;
    return kindOfMode(status.st_mode);
}

RegularFile::RegularFile(const char* path)
{
    kind_ = fileKindAt(path);
    if (kind_ != FileKind::Regular)
        return;
    // Non-blocking, in case something else was put there since the look.
    fd_ = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        kind_ = errno == ENAMETOOLONG ? FileKind::PathTooLong : FileKind::Unreadable;
        return;
    }
    struct stat status;
    if (fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        kind_ = fstat(fd_, &status) == 0 ? kindOfMode(status.st_mode) : FileKind::Unreadable;
        close(fd_);
        fd_ = -1;
        return;
    }
    size_ = status.st_size;
}

RegularFile::~RegularFile()
{
    if (fd_ >= 0)
        close(fd_);
}

std::size_t RegularFile::readAt(long long offset, void* buffer, std::size_t count) const
{
    if (fd_ < 0 || offset < 0 || offset >= size_)
        return 0;
    if (static_cast<long long>(count) > size_ - offset)
        count = static_cast<std::size_t>(size_ - offset);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(fd_, static_cast<char*>(buffer) + done, count - done,
                                  static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

int RegularFile::duplicateDescriptor() const
{
    if (fd_ < 0)
        return -1;
    const int own = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    // The duplicate shares the file position: start from the beginning.
    if (own >= 0 && lseek(own, 0, SEEK_SET) != 0) {
        close(own);
        return -1;
    }
    return own;
}

PACKFILE* RegularFile::packfile() const
{
    const int own = duplicateDescriptor();
    if (own < 0)
        return nullptr;
    FILE* stream = fdopen(own, "rb");
    if (!stream) {
        close(own);
        return nullptr;
    }
    PACKFILE* packed = pack_fopen_vtable(&streamVtable, stream);
    if (!packed)
        std::fclose(stream);
    return packed;
}
