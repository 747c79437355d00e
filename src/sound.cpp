#include "sound.h"

#include "oggvorbis.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::uint32_t littleEndian32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

bool hasWavExtension(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length < 4 || path[length - 4] != '.')
        return false;
    std::string extension(path + length - 3);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "wav";
}

// Walks the chunks the way the library's reader does (no padding bytes).
bool wavChunksSafe(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return false;
    const std::size_t FORMAT_FIELDS = 16; // format, channels, rate, byte rate, block, bits
    int dataChunks = 0;
    std::size_t at = 12;
    while (bytes.size() - at >= 8) {
        const std::string tag = bytes.substr(at, 4);
        const std::uint32_t length = littleEndian32(bytes, at + 4);
        at += 8;
        if (length > bytes.size() - at)
            return false;
        if (tag == "fmt ") {
            if (length < FORMAT_FIELDS)
                return false;
            const std::uint32_t rate = littleEndian32(bytes, at + 4);
            if (rate < 1 || rate > INT_MAX)
                return false;
        } else if (tag == "data") {
            ++dataChunks;
        }
        at += length;
    }
    return dataChunks == 1;
}

} // namespace

SAMPLE* decodeSound(const char* path)
{
    if (SAMPLE* ogg = loadOggVorbis(path))
        return ogg;
    if (!hasWavExtension(path) || !wavChunksSafe(path))
        return nullptr;
    return load_sample(path); // the library's WAV reader, chosen by the extension
}
