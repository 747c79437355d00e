#include "elsewhere.h"

#include "files/archive.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string lastPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

BookFileIndex BookFileIndex::ofFolder(std::string folder)
{
    BookFileIndex index;
    index.folder_ = std::move(folder);
    return index;
}

BookFileIndex BookFileIndex::ofArchive(std::shared_ptr<Archive> archive)
{
    BookFileIndex index;
    index.archive_ = std::move(archive);
    return index;
}

void BookFileIndex::build() const
{
    built_ = true;
    auto add = [this](const std::string& path) { byName_.emplace(lowered(lastPart(path)), path); };
    if (archive_) {
        const std::string& root = archive_->bookRoot();
        for (const ArchiveEntry& entry : archive_->entries())
            if (!entry.folder && entry.name.compare(0, root.size(), root) == 0)
                add(entry.name.substr(root.size()));
        return;
    }
    std::error_code failed;
    fs::recursive_directory_iterator walk(folder_, fs::directory_options::skip_permission_denied,
                                          failed);
    long long seen = 0;
    for (; !failed && walk != fs::recursive_directory_iterator(); walk.increment(failed)) {
        if (++seen > MAX_INDEXED_FILES)
            break;
        std::error_code ignored;
        if (walk->is_regular_file(ignored))
            add(walk->path().lexically_relative(folder_).generic_string());
    }
}

std::vector<std::string> BookFileIndex::namesLike(const std::string& bookPath, std::size_t most) const
{
    if (!built_)
        build();
    std::vector<std::string> found;
    const auto range = byName_.equal_range(lowered(lastPart(bookPath)));
    for (auto at = range.first; at != range.second; ++at)
        if (at->second != bookPath)
            found.push_back(at->second);
    std::sort(found.begin(), found.end());
    if (found.size() > most)
        found.resize(most);
    return found;
}
