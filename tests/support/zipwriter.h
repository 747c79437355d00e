// Zip archives made byte by byte, for the tests and benchmarks of books as
// one file: sound ones, and hostile ones whose headers state what their
// data is not (a size that lies, an encrypted flag, a method nobody reads,
// names that lead out, two entries of one name, a compression bomb).
#ifndef QUORVEL_ZIPWRITER_H
#define QUORVEL_ZIPWRITER_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ZipMember {
    ZipMember() = default;
    ZipMember(std::string memberName, std::string memberData, bool packWithDeflate = true)
        : name(std::move(memberName)), data(std::move(memberData)), deflate(packWithDeflate)
    {
    }

    std::string name;
    std::string data;           // what it holds, unpacked
    bool deflate = true;        // packed with deflate (method 8), else stored (method 0)
    // Made as they are given instead of from `data`, for hostile archives:
    std::optional<std::string> packed;        // the packed bytes
    std::optional<std::uint32_t> crc;         // the CRC-32 stated
    std::optional<std::uint32_t> size;        // the unpacked size stated, in both headers
    std::optional<std::uint32_t> centralSize; // the unpacked size stated in the directory only
    std::optional<std::uint16_t> method;      // the method stated
    std::uint16_t flags = 0;                  // bit 0: encrypted
};

// The archive of `members`, in order, with its directory and end record.
std::string zipArchive(const std::vector<ZipMember>& members);

// `data` packed with raw deflate, as a zip entry holds it.
std::string deflated(const std::string& data);

// A member that unpacks to `megabytes` MB of zeros, packed about a thousand
// to one, made without holding the zeros. States its true size unless
// `statedSize` is given.
ZipMember zeroBomb(const std::string& name, long long megabytes,
                   std::optional<std::uint32_t> statedSize = std::nullopt);

// Every file below `folder`, as members named from `prefix` (e.g. "forest/"
// or ""), with a member for each folder too, as zip tools make them.
std::vector<ZipMember> folderMembers(const std::string& folder, const std::string& prefix,
                                     bool deflate = true);

#endif
