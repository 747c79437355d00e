#include "files/archive.h"

#include "text/regularfile.h"

#include <zip.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

// The archive's own problem: it is damaged, or holds what the player does
// not read.
Problem archiveProblem(const std::string& path, ProblemKind kind, std::string phrase)
{
    return {kind, path, std::move(phrase)};
}

std::string libzipMessage(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    return message;
}

// A name's parts without empty ones and "."; false when one is ".." or the
// name starts at the root.
bool nameParts(const std::string& name, std::vector<std::string>& parts)
{
    parts.clear();
    if (!name.empty() && name[0] == '/')
        return false;
    std::size_t from = 0;
    while (from <= name.size()) {
        std::size_t to = name.find('/', from);
        if (to == std::string::npos)
            to = name.size();
        const std::string part = name.substr(from, to - from);
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            parts.push_back(part);
        from = to + 1;
    }
    return true;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string name;
    for (const std::string& part : parts)
        name += (name.empty() ? "" : "/") + part;
    return name;
}

// Where pages.dat lies among the normalised names: "" at the root, "top/"
// when every entry but a Mac's "__MACOSX" lies in one top folder that holds
// it. Empty optional when neither.
std::optional<std::string> findBookRoot(const std::unordered_map<std::string, std::size_t>& names)
{
    if (names.count("pages.dat"))
        return std::string();
    std::set<std::string> tops;
    for (const auto& [name, index] : names) {
        const std::string top = name.substr(0, name.find('/'));
        if (top != "__MACOSX")
            tops.insert(top);
    }
    if (tops.size() == 1 && names.count(*tops.begin() + "/pages.dat"))
        return *tops.begin() + "/";
    return std::nullopt;
}

} // namespace

bool looksLikeZipArchive(const std::string& path)
{
    const RegularFile file(path.c_str());
    unsigned char magic[4] = {};
    return file.isOpen() && file.readAt(0, magic, sizeof magic) == sizeof magic
           && magic[0] == 'P' && magic[1] == 'K'
           && ((magic[2] == 3 && magic[3] == 4) || (magic[2] == 5 && magic[3] == 6));
}

Result<std::shared_ptr<Archive>> Archive::open(const std::string& path)
{
    const RegularFile file(path.c_str());
    if (!file.isOpen())
        return {nullptr, fileKindProblem(file.kind(), path.c_str())};
    const int descriptor = file.duplicateDescriptor();
    if (descriptor < 0)
        return {nullptr, fileKindProblem(FileKind::Unreadable, path.c_str())};
    int code = 0;
    // The consistency check reads every entry's own header beside the
    // directory's record of it: sizes or names that disagree, and entries
    // that overlap, refuse the archive.
    zip_t* zip = zip_fdopen(descriptor, ZIP_CHECKCONS, &code);
    if (!zip) {
        close(descriptor);
        if (code == ZIP_ER_EXISTS)
            return {nullptr, archiveProblem(path, ProblemKind::Damaged,
                                            "holds two entries of one name: the player reads no "
                                            "such archive")};
        if (code == ZIP_ER_MEMORY)
            return {nullptr, archiveProblem(path, ProblemKind::NoMemory,
                                            "cannot be opened: not enough memory")};
        return {nullptr, archiveProblem(path, ProblemKind::Damaged,
                                        "is not a zip archive, or it is damaged or cut short ("
                                            + libzipMessage(code) + ")")};
    }
    std::shared_ptr<Archive> archive(new Archive);
    archive->zip_ = zip;
    archive->shownPath_ = path;
    std::error_code failed;
    archive->path_ = std::filesystem::absolute(path, failed).lexically_normal().string();
    const auto refuse = [&](ProblemKind kind, std::string phrase) {
        return Result<std::shared_ptr<Archive>>{nullptr, archiveProblem(path, kind, std::move(phrase))};
    };

    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count < 0)
        return refuse(ProblemKind::Damaged, "cannot be read: its directory is damaged");
    if (count > MAX_ARCHIVE_ENTRIES)
        return refuse(ProblemKind::TooLarge,
                      "holds " + std::to_string(count) + " entries: more than the "
                          + std::to_string(MAX_ARCHIVE_ENTRIES) + " the player reads in a book");
    archive->entries_.reserve(static_cast<std::size_t>(count));
    std::vector<std::string> parts;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &stat) != 0 || !stat.name
            || !(stat.valid & ZIP_STAT_SIZE) || !(stat.valid & ZIP_STAT_COMP_METHOD))
            return refuse(ProblemKind::Damaged,
                          "cannot be read: the record of its entry " + std::to_string(i + 1)
                              + " is damaged");
        const std::string name = stat.name;
        const auto refuseEntry = [&](ProblemKind kind, const std::string& phrase) {
            return refuse(kind, "holds an entry " + quoted(name) + " " + phrase);
        };
        if (!nameParts(name, parts))
            return refuseEntry(ProblemKind::Unsupported,
                               "named to lie outside the archive: the player reads no archive "
                               "with such a name");
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            return refuseEntry(ProblemKind::Unsupported,
                               "that is encrypted: the player reads no encrypted entry");
        if (!zip_compression_method_supported(stat.comp_method, 0))
            return refuseEntry(ProblemKind::Unsupported,
                               "packed in a way the player does not unpack (method "
                                   + std::to_string(stat.comp_method) + ")");
        if (stat.size > static_cast<zip_uint64_t>(MAX_ENTRY_BYTES))
            return refuseEntry(ProblemKind::TooLarge,
                               "of " + std::to_string(stat.size >> 20)
                                   + " MB once unpacked: more than the "
                                   + std::to_string(MAX_ENTRY_BYTES >> 20)
                                   + " MB the player unpacks of one file");
        if (stat.comp_method == ZIP_CM_STORE && (stat.valid & ZIP_STAT_COMP_SIZE)
            && stat.comp_size != stat.size)
            return refuseEntry(ProblemKind::Damaged,
                               "whose sizes disagree: the archive is damaged");
        const std::string normal = joined(parts);
        if (normal.empty())
            continue; // "./" and the like name nothing
        if (!archive->byName_.emplace(normal, archive->entries_.size()).second)
            return refuseEntry(ProblemKind::Damaged, "twice: the player reads no archive with "
                                                     "two files of one name");
        ArchiveEntry entry;
        entry.name = name;
        entry.index = static_cast<zip_uint64_t>(i);
        entry.size = static_cast<long long>(stat.size);
        entry.folder = name.back() == '/';
        entry.stored = stat.comp_method == ZIP_CM_STORE;
        archive->entries_.push_back(entry);
    }
    if (const std::optional<std::string> root = findBookRoot(archive->byName_)) {
        archive->bookRoot_ = *root;
        archive->holdsBook_ = true;
    }
    return {archive, std::nullopt};
}

Archive::~Archive()
{
    if (zip_)
        zip_discard(zip_);
}

const ArchiveEntry* Archive::find(const std::string& bookPath) const
{
    const auto found = byName_.find(bookRoot_ + bookPath);
    return found == byName_.end() ? nullptr : &entries_[found->second];
}

EntryReader::EntryReader(std::shared_ptr<Archive> archive, const ArchiveEntry& entry,
                         std::string shown)
    : archive_(std::move(archive)), entry_(entry), shown_(std::move(shown))
{
}

EntryReader::~EntryReader()
{
    if (file_)
        zip_fclose(file_);
}

void EntryReader::fail(ProblemKind kind, std::string phrase)
{
    if (!problem_)
        problem_ = Problem{kind, shown_, std::move(phrase)};
    ended_ = true;
}

bool EntryReader::openEntry()
{
    if (file_)
        return true;
    if (ended_)
        return false;
    file_ = zip_fopen_index(archive_->handle(), entry_.index, 0);
    if (!file_) {
        fail(ProblemKind::Damaged, "cannot be read from its archive ("
                                       + std::string(zip_strerror(archive_->handle())) + ")");
        return false;
    }
    return true;
}

void EntryReader::inflateTo(long long end)
{
    end = std::min(end, entry_.size);
    if (static_cast<long long>(inflated_.size()) >= end || ended_ || !openEntry())
        return;
    const std::size_t step = 1 << 12;
    while (static_cast<long long>(inflated_.size()) < end) {
        const std::size_t at = inflated_.size();
        const std::size_t want =
            static_cast<std::size_t>(std::min<long long>(entry_.size - static_cast<long long>(at),
                                                         std::max<long long>(end - at, step)));
        inflated_.resize(at + want);
        const zip_int64_t got = zip_fread(file_, inflated_.data() + at, want);
        inflated_.resize(at + static_cast<std::size_t>(std::max<zip_int64_t>(got, 0)));
        if (got < 0) {
            fail(ProblemKind::Damaged, "cannot be unpacked: its data in the archive is damaged ("
                                           + std::string(zip_file_strerror(file_)) + ")");
            return;
        }
        if (got == 0) {
            fail(ProblemKind::Damaged,
                 "cannot be unpacked: it holds " + std::to_string(inflated_.size())
                     + " bytes, less than the " + std::to_string(entry_.size)
                     + " its archive states");
            return;
        }
    }
    if (static_cast<long long>(inflated_.size()) == entry_.size) {
        // All of it is there: one more byte would be more than it states,
        // and reading to its end checks its checksum.
        unsigned char more;
        const zip_int64_t got = zip_fread(file_, &more, 1);
        if (got > 0)
            fail(ProblemKind::Damaged, "cannot be unpacked: it holds more than the "
                                           + std::to_string(entry_.size)
                                           + " bytes its archive states");
        else if (got < 0)
            fail(ProblemKind::Damaged, "cannot be unpacked: its data in the archive is damaged ("
                                           + std::string(zip_file_strerror(file_)) + ")");
        ended_ = true;
        zip_fclose(file_);
        file_ = nullptr;
    }
}

std::size_t EntryReader::readAt(long long offset, void* buffer, std::size_t count)
{
    if (offset < 0 || offset >= entry_.size || count == 0)
        return 0;
    count = static_cast<std::size_t>(std::min<long long>(static_cast<long long>(count),
                                                         entry_.size - offset));
    if (entry_.stored) {
        // Read where asked: nothing is kept.
        if (!openEntry())
            return 0;
        if (zip_fseek(file_, offset, SEEK_SET) != 0) {
            fail(ProblemKind::Damaged, "cannot be read from its archive ("
                                           + std::string(zip_file_strerror(file_)) + ")");
            return 0;
        }
        const zip_int64_t got = zip_fread(file_, buffer, count);
        if (got < 0) {
            fail(ProblemKind::Damaged, "cannot be read from its archive ("
                                           + std::string(zip_file_strerror(file_)) + ")");
            return 0;
        }
        return static_cast<std::size_t>(got);
    }
    inflateTo(offset + static_cast<long long>(count));
    if (offset >= static_cast<long long>(inflated_.size()))
        return 0;
    count = std::min(count, inflated_.size() - static_cast<std::size_t>(offset));
    std::memcpy(buffer, inflated_.data() + offset, count);
    return count;
}
