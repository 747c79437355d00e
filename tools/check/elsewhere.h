// Where a file the book names lies when it is not where the player looks:
// the files of the book's folder (on disk or in its archive) by their
// names, so that "not found" can say where the file is.
#ifndef QUORVEL_CHECK_ELSEWHERE_H
#define QUORVEL_CHECK_ELSEWHERE_H

#include <memory>
#include <map>
#include <string>
#include <vector>

class Archive;

// The most files of a book folder looked at: a folder larger than that (a
// book placed in a home directory, say) is looked at no further.
const long long MAX_INDEXED_FILES = 100000;

class BookFileIndex {
public:
    // The regular files below `folder` (the book's folder as the player
    // names it, relative to the current directory), read the first time
    // they are asked for. Links to folders are not followed.
    static BookFileIndex ofFolder(std::string folder);
    // The files of `archive` below its book's root. The archive is shared.
    static BookFileIndex ofArchive(std::shared_ptr<Archive> archive);

    // Book-relative paths ("art/owl.png") of the files whose last part is
    // the last part of `bookPath`, letter case aside, other than `bookPath`
    // itself; sorted, at most `most`.
    std::vector<std::string> namesLike(const std::string& bookPath, std::size_t most = 3) const;

private:
    void build() const;

    std::string folder_;
    std::shared_ptr<Archive> archive_;
    mutable bool built_ = false;
    mutable std::multimap<std::string, std::string> byName_; // lower-case last part -> path
};

#endif
