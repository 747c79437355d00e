// File writers and the test picture. The WAV writer is written out by hand
// (little-endian RIFF); the Ogg writer drives libvorbisenc and libogg.
#include "assets.h"

#include <loadpng.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

bool validSound(const std::vector<int16_t>& samples, int rate, int channels)
{
    return rate > 0 && (channels == 1 || channels == 2) && samples.size() % channels == 0;
}

// An open output file that is closed on every path; a file that was not
// finished with commit() is removed, so failures leave nothing half-written.
class OutputFile {
public:
    explicit OutputFile(const char* path) : path_(path ? path : ""), file_(path ? std::fopen(path, "wb") : nullptr) {}
    ~OutputFile()
    {
        if (!file_)
            return;
        std::fclose(file_);
        if (!committed_)
            std::remove(path_.c_str());
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }

    bool write(const void* data, size_t size)
    {
        return size == 0 || std::fwrite(data, 1, size, file_) == size;
    }

    // Flushes and closes the file; true when everything reached the disk.
    bool commit()
    {
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!ok)
            std::remove(path_.c_str());
        committed_ = ok;
        return ok;
    }

private:
    std::string path_;
    FILE* file_;
    bool committed_ = false;
};

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

// The encoder's state, cleared in reverse order of set-up.
struct VorbisEncoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    bool infoReady = false, dspReady = false, blockReady = false, streamReady = false;

    VorbisEncoder() { vorbis_comment_init(&comment); }
    ~VorbisEncoder()
    {
        if (streamReady)
            ogg_stream_clear(&stream);
        if (blockReady)
            vorbis_block_clear(&block);
        if (dspReady)
            vorbis_dsp_clear(&dsp);
        vorbis_comment_clear(&comment);
        if (infoReady)
            vorbis_info_clear(&info);
    }
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;

    bool start(int rate, int channels, float quality)
    {
        vorbis_info_init(&info);
        infoReady = true;
        if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0)
            return false;
        vorbis_comment_add_tag(&comment, "ENCODER", "quorvel-mkassets");
        dspReady = vorbis_analysis_init(&dsp, &info) == 0;
        blockReady = dspReady && vorbis_block_init(&dsp, &block) == 0;
        // A fixed stream serial number keeps the output byte-for-byte reproducible.
        streamReady = blockReady && ogg_stream_init(&stream, 0x51756f72) == 0;
        return streamReady;
    }
};

bool writePage(OutputFile& out, const ogg_page& page)
{
    return out.write(page.header, page.header_len) && out.write(page.body, page.body_len);
}

bool writeHeaders(VorbisEncoder& enc, OutputFile& out)
{
    ogg_packet id, comments, codebooks;
    if (vorbis_analysis_headerout(&enc.dsp, &enc.comment, &id, &comments, &codebooks) != 0)
        return false;
    ogg_stream_packetin(&enc.stream, &id);
    ogg_stream_packetin(&enc.stream, &comments);
    ogg_stream_packetin(&enc.stream, &codebooks);
    // The audio must start on a fresh page.
    ogg_page page;
    while (ogg_stream_flush(&enc.stream, &page) != 0)
        if (!writePage(out, page))
            return false;
    return true;
}

// Encodes whatever blocks the analysis has ready and writes full pages.
bool drainEncoder(VorbisEncoder& enc, OutputFile& out)
{
    while (vorbis_analysis_blockout(&enc.dsp, &enc.block) == 1) {
        if (vorbis_analysis(&enc.block, nullptr) != 0 || vorbis_bitrate_addblock(&enc.block) != 0)
            return false;
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&enc.dsp, &packet) == 1) {
            ogg_stream_packetin(&enc.stream, &packet);
            ogg_page page;
            while (ogg_stream_pageout(&enc.stream, &page) != 0)
                if (!writePage(out, page))
                    return false;
        }
    }
    return true;
}

} // namespace

bool writePng(const char* path, BITMAP* bmp)
{
    if (!path || !bmp)
        return false;
    return save_png(path, bmp, nullptr) == 0;
}

bool writeWav(const char* path, const std::vector<int16_t>& samples, int rate, int channels)
{
    if (!validSound(samples, rate, channels))
        return false;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    putTag(bytes, "RIFF");
    putLe(bytes, 36 + dataBytes, 4);
    putTag(bytes, "WAVE");
    putTag(bytes, "fmt ");
    putLe(bytes, 16, 4);                                       // size of the format block
    putLe(bytes, 1, 2);                                        // plain PCM
    putLe(bytes, static_cast<uint32_t>(channels), 2);
    putLe(bytes, static_cast<uint32_t>(rate), 4);
    putLe(bytes, static_cast<uint32_t>(rate * channels * 2), 4); // bytes per second
    putLe(bytes, static_cast<uint32_t>(channels * 2), 2);      // bytes per frame
    putLe(bytes, 16, 2);                                       // bits per sample
    putTag(bytes, "data");
    putLe(bytes, dataBytes, 4);
    for (int16_t s : samples)
        putLe(bytes, static_cast<uint16_t>(s), 2);

    OutputFile out(path);
    return out.isOpen() && out.write(bytes.data(), bytes.size()) && out.commit();
}

bool writeOgg(const char* path, const std::vector<int16_t>& samples, int rate, int channels,
              float quality)
{
    if (!validSound(samples, rate, channels))
        return false;
    OutputFile out(path);
    if (!out.isOpen())
        return false;
    VorbisEncoder enc;
    if (!enc.start(rate, channels, quality) || !writeHeaders(enc, out))
        return false;

    const size_t frames = samples.size() / channels;
    const size_t chunk = 1024;
    for (size_t first = 0; first < frames; first += chunk) {
        const size_t count = std::min(chunk, frames - first);
        float** buffer = vorbis_analysis_buffer(&enc.dsp, static_cast<int>(count));
        for (size_t i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
                buffer[c][i] = samples[(first + i) * channels + c] / 32768.0f;
        vorbis_analysis_wrote(&enc.dsp, static_cast<int>(count));
        if (!drainEncoder(enc, out))
            return false;
    }
    vorbis_analysis_wrote(&enc.dsp, 0); // marks the end of the stream
    if (!drainEncoder(enc, out))
        return false;
    ogg_page page;
    while (ogg_stream_flush(&enc.stream, &page) != 0)
        if (!writePage(out, page))
            return false;
    return out.commit();
}

BITMAP* makeTestPicture(int w, int h, int r, int g, int b)
{
    if (w <= 0 || h <= 0)
        return nullptr;
    BITMAP* bmp = create_bitmap_ex(24, w, h);
    if (bmp)
        clear_to_color(bmp, makecol24(r, g, b));
    return bmp;
}
