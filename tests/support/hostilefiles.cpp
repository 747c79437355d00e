#include "hostilefiles.h"

#include "assets.h"
#include "book/book.h"
#include "init.h"
#include "testenv.h"
#include "text/buffers.h"

#include <allegro.h>
#include <loadpng.h>
#include <ogg/ogg.h>
#include <sndfile.h>
#include <zlib.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

void Hostile::SetUp()
{
    alarm(HANG_SECONDS);
    startLibraryWithoutDisplay();
    set_color_depth(32);
    enterScratchDir("hostile");
    copyCut(book, sizeof book, "books/t");
    writeFile("books/t/pico/.keep", "");
    writeFile("books/t/audio/.keep", "");
    writeFile("made/.keep", "");
}

void Hostile::TearDown()
{
    freePages();
    alarm(0);
}

void putBig32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(value >> shift));
}

namespace {

// Appends a PNG chunk of `type` holding `data`, with its length and checksum.
void putChunk(std::string& png, const char* type, const std::string& data)
{
    putBig32(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = type + data;
    png += typed;
    putBig32(png, static_cast<std::uint32_t>(
                      crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
}

} // namespace

std::string bitPng(std::uint32_t side, std::uint32_t rows)
{
    std::string ihdr;
    putBig32(ihdr, side);
    putBig32(ihdr, side);
    ihdr += std::string("\x01\x00\x00\x00\x00", 5);
    const std::string raw(static_cast<std::size_t>(rows) * (1 + (side + 7) / 8), '\0');
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9);
    packed.resize(packedSize);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    putChunk(png, "IHDR", ihdr);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", "");
    return png;
}

std::string pngWithChunks(const char* type, int count, const std::string& data, bool afterPicture)
{
    const std::string plain = bitPng(8, 8);
    // bitPng writes its IEND, 12 bytes, last; its IHDR, 25 bytes, after the signature.
    const std::size_t at = afterPicture ? plain.size() - 12 : 8 + 25;
    std::string chunks;
    for (int i = 0; i < count; ++i)
        putChunk(chunks, type, data);
    return plain.substr(0, at) + chunks + plain.substr(at);
}

std::string packedText(std::size_t bytes)
{
    const std::string text(bytes, 'a');
    uLongf packedSize = compressBound(text.size());
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(text.data()), text.size(), 9);
    packed.resize(packedSize);
    return std::string("Comment\0\0", 9) + packed;
}

double toneAt(long frame, int channel, int rate)
{
    const double hz = channel == 0 ? 440.0 : 660.0;
    return 0.4 * std::sin(2 * M_PI * hz * static_cast<double>(frame) / rate);
}

bool writeSoundFile(const std::string& path, int format, int channels, int rate, long frames)
{
    SF_INFO info = {};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<double> samples(static_cast<std::size_t>(frames * channels));
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<std::size_t>(i * channels + c)] = toneAt(i, c % 2, rate);
    const bool written = sf_writef_double(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

std::string withLittleEndian32(std::string bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string pcmWav(long frames, int rate)
{
    writeSoundFile("made/pcm.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, rate, frames);
    return readFile("made/pcm.wav");
}

void padSparse(const std::string& path, long long size)
{
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0) << path;
}

const char* nameOf(Thing thing)
{
    switch (thing) {
    case Thing::Fifo: return "Fifo";
    case Thing::Folder: return "Folder";
    case Thing::Socket: return "Socket";
    case Thing::ZeroDevice: return "LinkToDevZero";
    case Thing::RandomDevice: return "LinkToDevUrandom";
    }
    return "";
}

FileKind kindOf(Thing thing)
{
    switch (thing) {
    case Thing::Fifo: return FileKind::Fifo;
    case Thing::Folder: return FileKind::Directory;
    case Thing::Socket: return FileKind::Socket;
    case Thing::ZeroDevice:
    case Thing::RandomDevice: return FileKind::Device;
    }
    return FileKind::Regular;
}

void makeThing(Thing thing, const std::string& path)
{
    fs::remove_all(path);
    switch (thing) {
    case Thing::Fifo: ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); break;
    case Thing::Folder: fs::create_directories(path + "/inside"); break;
    case Thing::Socket: {
        const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(listener, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const std::string absolute = fs::absolute(path).string();
        ASSERT_LT(absolute.size(), sizeof address.sun_path);
        absolute.copy(address.sun_path, absolute.size());
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(listener); // the socket stays in the folder
        break;
    }
    case Thing::ZeroDevice: fs::create_symlink("/dev/zero", path); break;
    case Thing::RandomDevice: fs::create_symlink("/dev/urandom", path); break;
    }
}

std::string withoutFlacLength(std::string flac)
{
    const std::size_t length = 4 + 4 + 13; // "fLaC", the block's header, the fields before
    flac[length] = static_cast<char>(flac[length] & 0xF0);
    for (std::size_t i = 1; i <= 4; ++i)
        flac[length + i] = 0;
    return flac;
}

void writeToneOgg(const std::string& path, double seconds)
{
    ASSERT_TRUE(writeOgg(path.c_str(), makeTone(440, seconds, 22050), 22050, 1));
}

std::string withSerial(std::string ogg, std::uint32_t serial)
{
    for (std::size_t at = 0; at + 27 <= ogg.size();) {
        auto* header = reinterpret_cast<unsigned char*>(&ogg[at]);
        const std::size_t segments = header[26];
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += header[27 + i];
        for (int i = 0; i < 4; ++i)
            header[14 + i] = static_cast<unsigned char>(serial >> (8 * i));
        ogg_page page;
        page.header = header;
        page.header_len = static_cast<long>(27 + segments);
        page.body = header + 27 + segments;
        page.body_len = static_cast<long>(body);
        ogg_page_checksum_set(&page);
        at += 27 + segments + body;
    }
    return ogg;
}

std::size_t firstPageLength(const std::string& ogg)
{
    const std::size_t segments = static_cast<unsigned char>(ogg[26]);
    std::size_t length = 27 + segments;
    for (std::size_t i = 0; i < segments; ++i)
        length += static_cast<unsigned char>(ogg[27 + i]);
    return length;
}

std::string wavIn(int format)
{
    writeSoundFile("made/form.wav", format, 2, 44100, 22050);
    return readFile("made/form.wav");
}

void makeCheckerBook(const std::string& pages)
{
    copyFile(std::string(QUORVEL_DEMO_DIR) + "/font.dat", "work/font.dat");
    writeFile("work/books/b/pico/.keep", "");
    BITMAP* background = makeTestPicture(8, 8, 1, 2, 3);
    writePng("work/books/b/pico/bg.png", background);
    destroy_bitmap(background);
    writeFile("work/books/b/audio/.keep", "");
    writeFile("work/books/b/pages.dat", pages);
}

std::string checkerPage(const std::string& lines)
{
    return "default_bg:bg.png;\npage_start:;\n" + lines + "but1_text:on;\npage_end:;\n";
}
