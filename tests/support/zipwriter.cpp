#include "zipwriter.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

void put16(std::string& out, std::uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::uint32_t crcOf(const std::string& data)
{
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

} // namespace

std::string deflated(const std::string& data)
{
    z_stream stream = {};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

ZipMember zeroBomb(const std::string& name, long long megabytes,
                   std::optional<std::uint32_t> statedSize)
{
    // After a full flush the packer starts afresh, so one megabyte of zeros
    // packs to the same bytes every time: the stream is that block again
    // and again, then an empty last block.
    const std::string zeros(1 << 20, '\0');
    z_stream stream = {};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string block(deflateBound(&stream, zeros.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef*>(block.data());
    stream.avail_out = static_cast<uInt>(block.size());
    deflate(&stream, Z_FULL_FLUSH);
    block.resize(stream.total_out);
    std::string last(64, '\0');
    stream.next_out = reinterpret_cast<Bytef*>(last.data());
    stream.avail_out = static_cast<uInt>(last.size());
    deflate(&stream, Z_FINISH);
    last.resize(stream.total_out - block.size());
    deflateEnd(&stream);

    ZipMember member;
    member.name = name;
    std::string packed;
    packed.reserve(block.size() * static_cast<std::size_t>(megabytes) + last.size());
    std::uint32_t crc = 0;
    const std::uint32_t blockCrc = crcOf(zeros);
    for (long long i = 0; i < megabytes; ++i) {
        packed += block;
        crc = static_cast<std::uint32_t>(crc32_combine(crc, blockCrc, 1 << 20));
    }
    packed += last;
    member.packed = packed;
    member.crc = crc;
    const long long size = megabytes << 20;
    member.size = statedSize ? *statedSize
                             : static_cast<std::uint32_t>(std::min<long long>(size, 0xFFFFFFFFLL));
    return member;
}

std::string zipArchive(const std::vector<ZipMember>& members)
{
    std::string archive, directory;
    for (const ZipMember& member : members) {
        const std::uint16_t method = member.method ? *member.method : member.deflate ? 8 : 0;
        const std::string packed =
            member.packed ? *member.packed : member.deflate ? deflated(member.data) : member.data;
        const std::uint32_t crc = member.crc ? *member.crc : crcOf(member.data);
        const std::uint32_t size =
            member.size ? *member.size : static_cast<std::uint32_t>(member.data.size());
        const std::uint32_t offset = static_cast<std::uint32_t>(archive.size());
        // The local header.
        put32(archive, 0x04034b50);
        put16(archive, 20);
        put16(archive, member.flags);
        put16(archive, method);
        put16(archive, 0);
        put16(archive, 0x21); // 1980-01-01
        put32(archive, crc);
        put32(archive, static_cast<std::uint32_t>(packed.size()));
        put32(archive, size);
        put16(archive, static_cast<std::uint32_t>(member.name.size()));
        put16(archive, 0);
        archive += member.name;
        archive += packed;
        // Its record in the directory.
        put32(directory, 0x02014b50);
        put16(directory, 0x031E); // made on Unix, version 3.0
        put16(directory, 20);
        put16(directory, member.flags);
        put16(directory, method);
        put16(directory, 0);
        put16(directory, 0x21);
        put32(directory, crc);
        put32(directory, static_cast<std::uint32_t>(packed.size()));
        put32(directory, member.centralSize ? *member.centralSize : size);
        put16(directory, static_cast<std::uint32_t>(member.name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, (member.name.back() == '/' ? 040755u : 0100644u) << 16);
        put32(directory, offset);
        directory += member.name;
    }
    const std::uint32_t directoryAt = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<std::uint32_t>(std::min<std::size_t>(members.size(), 0xFFFF)));
    put16(archive, static_cast<std::uint32_t>(std::min<std::size_t>(members.size(), 0xFFFF)));
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, directoryAt);
    put16(archive, 0);
    return archive;
}

std::vector<ZipMember> folderMembers(const std::string& folder, const std::string& prefix,
                                     bool deflate)
{
    std::vector<ZipMember> members;
    if (!prefix.empty())
        members.push_back({prefix, "", false});
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        const std::string name = prefix + fs::relative(path, folder).string();
        if (fs::is_directory(path)) {
            members.push_back({name + "/", "", false});
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        ZipMember member;
        member.name = name;
        member.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        member.deflate = deflate;
        members.push_back(member);
    }
    return members;
}
