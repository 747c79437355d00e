#include "oggvorbis.h"

#include <logg.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The first `end` bytes of a file, read through libvorbisfile's callbacks.
struct FileWindow {
    const RegularFile* file;
    long long end;
    long long at;
};

size_t windowRead(void* buffer, size_t size, size_t count, void* source)
{
    auto* window = static_cast<FileWindow*>(source);
    if (size == 0 || window->at >= window->end)
        return 0;
    const long long left = window->end - window->at;
    const long long wanted = std::min<long long>(static_cast<long long>(size * count), left);
    const std::size_t got = window->file->readAt(window->at, buffer, static_cast<std::size_t>(wanted));
    window->at += static_cast<long long>(got);
    return got / size;
}

int windowSeek(void* source, ogg_int64_t offset, int whence)
{
    auto* window = static_cast<FileWindow*>(source);
    long long to = offset;
    if (whence == SEEK_CUR)
        to += window->at;
    else if (whence == SEEK_END)
        to += window->end;
    if (to < 0 || to > window->end)
        return -1;
    window->at = to;
    return 0;
}

int windowClose(void*)
{
    return 0; // the window does not own the file
}

long windowTell(void* source)
{
    return static_cast<long>(static_cast<FileWindow*>(source)->at);
}

const ov_callbacks windowCallbacks = {windowRead, windowSeek, windowClose, windowTell};

// A libvorbisfile decoder on a window of a file, closed on every way out.
class VorbisWindow {
public:
    VorbisWindow(const RegularFile& file, long long end)
        : window_{&file, end, 0},
          open_(ov_open_callbacks(&window_, &vorbis_, nullptr, 0, windowCallbacks) == 0)
    {
    }
    ~VorbisWindow()
    {
        if (open_)
            ov_clear(&vorbis_);
    }
    VorbisWindow(const VorbisWindow&) = delete;
    VorbisWindow& operator=(const VorbisWindow&) = delete;

    bool isOpen() const { return open_; }
    OggVorbis_File* get() { return &vorbis_; }

private:
    FileWindow window_;
    OggVorbis_File vorbis_;
    bool open_;
};

// Words in the library's own byte order.
#ifdef ALLEGRO_BIG_ENDIAN
const int BIG_ENDIAN_WORDS = 1;
#else
const int BIG_ENDIAN_WORDS = 0;
#endif

const std::size_t PAGE_HEADER = 27; // up to and with the segment count
const std::size_t SCAN_CHUNK = 1 << 16;

// The length of the whole, checksummed Ogg page at `at` in `file`, or 0.
long long pageLengthAt(const RegularFile& file, long long at)
{
    unsigned char header[PAGE_HEADER + 255];
    if (file.readAt(at, header, PAGE_HEADER) != PAGE_HEADER
        || std::memcmp(header, "OggS", 4) != 0 || header[4] != 0)
        return 0;
    const std::size_t segments = header[26];
    if (file.readAt(at + PAGE_HEADER, header + PAGE_HEADER, segments) != segments)
        return 0;
    std::size_t body = 0;
    for (std::size_t i = 0; i < segments; ++i)
        body += header[PAGE_HEADER + i];
    const std::size_t headerLength = PAGE_HEADER + segments;
    if (at + static_cast<long long>(headerLength + body) > file.size())
        return 0;
    std::vector<unsigned char> bodyBytes(body);
    if (file.readAt(at + headerLength, bodyBytes.data(), body) != body)
        return 0;
    unsigned char stored[4];
    std::memcpy(stored, header + 22, 4);
    ogg_page page;
    page.header = header;
    page.header_len = static_cast<long>(headerLength);
    page.body = bodyBytes.data();
    page.body_len = static_cast<long>(body);
    ogg_page_checksum_set(&page); // writes the checksum it computes over the stored one
    if (std::memcmp(stored, header + 22, 4) != 0)
        return 0;
    return static_cast<long long>(headerLength + body);
}

} // namespace

long long oggDataEnd(const RegularFile& file)
{
    // Chunks from the end backward, each overlapping the next by the three
    // bytes a capture pattern "OggS" can reach across.
    std::vector<char> chunk(SCAN_CHUNK + 3);
    long long high = file.size();
    while (high > 0) {
        const long long low = std::max<long long>(0, high - static_cast<long long>(SCAN_CHUNK));
        const std::size_t length = static_cast<std::size_t>(std::min<long long>(high + 3, file.size()) - low);
        if (file.readAt(low, chunk.data(), length) != length)
            return 0;
        // Candidates right to left: the first whole page is the last one.
        std::size_t searchEnd = std::min(length, static_cast<std::size_t>(high - low));
        while (searchEnd > 0) {
            const void* found = memrchr(chunk.data(), 'O', searchEnd);
            if (!found)
                break;
            const std::size_t offset = static_cast<std::size_t>(static_cast<const char*>(found) - chunk.data());
            if (offset + 4 <= length && std::memcmp(chunk.data() + offset, "OggS", 4) == 0) {
                if (const long long page = pageLengthAt(file, low + static_cast<long long>(offset)))
                    return low + static_cast<long long>(offset) + page;
            }
            searchEnd = offset;
        }
        high = low;
    }
    return 0;
}

namespace {

// Whether the Vorbis headers of the link that starts at `at` open, read
// without seeking, as libvorbisfile reads them when it meets that link.
bool linkHeadersOpen(const RegularFile& file, long long at, long long dataEnd)
{
    FileWindow window{&file, dataEnd, at};
    const ov_callbacks forwardOnly = {windowRead, nullptr, windowClose, nullptr};
    OggVorbis_File vorbis;
    if (ov_open_callbacks(&window, &vorbis, nullptr, 0, forwardOnly) != 0)
        return false; // it cleared itself
    ov_clear(&vorbis);
    return true;
}

// Walks the pages of the first `dataEnd` bytes in order and finds each link
// after the first: a page whose stream is none of the current link's starts
// the next one. Empty when every later link's headers open; else what is
// wrong. libvorbisfile loses a little memory each time it opens a chained
// file in which it cannot open a later link, so such a file must never
// reach it.
std::string chainProblem(const RegularFile& file, long long dataEnd)
{
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    std::vector<long> link, earlier; // the streams of this link, and of the links before
    bool linkStarting = true;        // still among the link's first pages, which start streams
    long long fed = 0, pageAt = 0;
    std::string problem;
    ogg_page page;
    while (problem.empty()) {
        const long step = ogg_sync_pageseek(&sync, &page);
        if (step == 0) {
            const long long want = std::min<long long>(SCAN_CHUNK, dataEnd - fed);
            if (want <= 0)
                break;
            char* buffer = ogg_sync_buffer(&sync, static_cast<long>(want));
            const std::size_t got = buffer ? file.readAt(fed, buffer, static_cast<std::size_t>(want)) : 0;
            if (got == 0)
                break;
            ogg_sync_wrote(&sync, static_cast<long>(got));
            fed += static_cast<long long>(got);
            continue;
        }
        const long long at = pageAt;
        pageAt += step < 0 ? -step : step;
        if (step < 0)
            continue; // bytes that are no page
        const long serial = ogg_page_serialno(&page);
        const bool starts = ogg_page_bos(&page) != 0;
        if (std::find(link.begin(), link.end(), serial) != link.end()) {
            linkStarting = linkStarting && starts;
            continue;
        }
        if (link.empty() || (starts && linkStarting)) {
            link.push_back(serial);
            linkStarting = starts;
            continue;
        }
        // The next link.
        earlier.insert(earlier.end(), link.begin(), link.end());
        if (std::find(earlier.begin(), earlier.end(), serial) != earlier.end())
            problem = "cannot be decoded: a later stream of its chain takes the number of an "
                      "earlier one";
        else if (!linkHeadersOpen(file, at, dataEnd))
            problem = "cannot be decoded: the Vorbis headers of a later stream of its chain are "
                      "damaged";
        link.assign(1, serial);
        linkStarting = starts;
    }
    ogg_sync_clear(&sync);
    return problem;
}

// The stream number of the Ogg page whose header is in `bytes`.
long pageSerial(const unsigned char* bytes)
{
    return static_cast<long>(bytes[14] | bytes[15] << 8 | bytes[16] << 16
                             | static_cast<unsigned long>(bytes[17]) << 24);
}

// Whether the file's first page and its last whole page, the one that ends
// at `dataEnd`, belong to one stream. libvorbisfile then takes the whole
// file for one link and opens no later link's headers, so the walk of
// chainProblem, which reads the whole file, is needed only otherwise (a
// chained file, rare). Reads the first page's header and at most one page's
// length before `dataEnd`.
bool endsInItsFirstStream(const RegularFile& file, long long dataEnd)
{
    unsigned char first[PAGE_HEADER];
    if (file.readAt(0, first, PAGE_HEADER) != PAGE_HEADER || std::memcmp(first, "OggS", 4) != 0)
        return false;
    const long long longestPage = PAGE_HEADER + 255 + 255 * 255;
    const long long low = std::max<long long>(0, dataEnd - longestPage);
    std::vector<unsigned char> tail(static_cast<std::size_t>(dataEnd - low));
    if (file.readAt(low, tail.data(), tail.size()) != tail.size())
        return false;
    for (std::size_t at = tail.size() < PAGE_HEADER ? 0 : tail.size() - PAGE_HEADER + 1; at-- > 0;) {
        if (std::memcmp(tail.data() + at, "OggS", 4) != 0)
            continue;
        const long long start = low + static_cast<long long>(at);
        if (pageLengthAt(file, start) == dataEnd - start)
            return pageSerial(tail.data() + at) == pageSerial(first);
    }
    return false;
}

} // namespace

OggVorbisHeader inspectOggVorbis(const RegularFile& file, long long dataEnd)
{
    OggVorbisHeader header;
    if (!endsInItsFirstStream(file, dataEnd))
        header.problem = chainProblem(file, dataEnd);
    if (!header.problem.empty())
        return header;
    VorbisWindow vorbis(file, dataEnd);
    if (!vorbis.isOpen())
        return header;
    const vorbis_info* info = ov_info(vorbis.get(), -1);
    if (!info)
        return header;
    header.vorbis = true;
    header.channels = info->channels;
    header.rate = info->rate;
    header.frames = ov_pcm_total(vorbis.get(), -1);
    return header;
}

namespace {

// Goes through the whole stream, checking what logg_load trusts: true when
// every read succeeds, the stream keeps one channel count and rate, and no
// more comes out than the stated length. When `sample` is given (of the
// stated length, in the stream's channels, 16 bits) the sound is kept in
// it. `frames` is then the number of frames decoded.
bool decodeWhole(const RegularFile& file, long long dataEnd, const OggVorbisHeader& header,
                 SAMPLE* sample, long long& frames, std::string& problem)
{
    VorbisWindow vorbis(file, dataEnd);
    if (!vorbis.isOpen()) {
        problem = "cannot be decoded: its Ogg Vorbis headers are damaged";
        return false;
    }
    const long long capacity = header.frames * 2 * header.channels; // bytes
    long long bytes = 0;
    char buffer[4096];
    int link = -1;
    for (;;) {
        char* into = sample ? static_cast<char*>(sample->data) + bytes : buffer;
        const long room = sample ? static_cast<long>(std::min<long long>(capacity - bytes, 4096))
                                 : static_cast<long>(sizeof buffer);
        if (room == 0) {
            // Full: anything more is more than was stated.
            if (ov_read(vorbis.get(), buffer, sizeof buffer, BIG_ENDIAN_WORDS, 2, 0, &link) != 0) {
                problem = "cannot be decoded: it holds more sound than its last page states";
                return false;
            }
            break;
        }
        const long got = ov_read(vorbis.get(), into, static_cast<int>(room), BIG_ENDIAN_WORDS, 2, 0, &link);
        if (got == 0)
            break;
        if (got < 0) {
            problem = got == OV_HOLE ? "cannot be decoded: a page of its data is lost or damaged"
                                     : "cannot be decoded: its data is damaged";
            return false;
        }
        const vorbis_info* now = ov_info(vorbis.get(), link);
        if (!now || now->channels != header.channels || now->rate != header.rate) {
            problem = "cannot be decoded: its channels or rate change partway";
            return false;
        }
        bytes += got;
        if (bytes > capacity) {
            problem = "cannot be decoded: it holds more sound than its last page states";
            return false;
        }
    }
    frames = bytes / (2 * header.channels);
    if (frames == 0) {
        problem = "holds no sound";
        return false;
    }
    return true;
}

} // namespace

SAMPLE* decodeOggVorbis(const char* path, const RegularFile& file, long long dataEnd,
                        const OggVorbisHeader& header, std::string& problem)
{
    long long frames = 0;
    SAMPLE* sample = nullptr;
    if (dataEnd == file.size()) {
        // Nothing after the last page: logg reads the file, once it is
        // known to decode cleanly.
        if (!decodeWhole(file, dataEnd, header, nullptr, frames, problem))
            return nullptr;
        sample = logg_load(path);
        if (!sample) {
            problem = "cannot be decoded";
            return nullptr;
        }
    } else {
        sample = create_sample(16, header.channels == 2, static_cast<int>(header.rate),
                               static_cast<int>(header.frames));
        if (!sample) {
            problem = "needs " + std::to_string(header.frames * 2 * header.channels >> 20)
                      + " MB decoded: there is not enough memory to decode it";
            return nullptr;
        }
        if (!decodeWhole(file, dataEnd, header, sample, frames, problem)) {
            destroy_sample(sample);
            return nullptr;
        }
    }
    // A cut file comes out shorter than stated: the rest was never written,
    // so it must not play.
    if (static_cast<unsigned long long>(frames) < sample->len)
        sample->len = sample->loop_end = static_cast<unsigned long>(frames);
    return sample;
}

namespace {

class OggVorbisFrames : public SoundFrames {
public:
    OggVorbisFrames(const char* path, long long dataEnd, const OggVorbisHeader& header)
        : file_(path), vorbis_(file_, dataEnd), channels_(header.channels), rate_(header.rate)
    {
    }

    bool isOpen()
    {
        const vorbis_info* info = vorbis_.isOpen() ? ov_info(vorbis_.get(), -1) : nullptr;
        return info && info->channels == channels_ && info->rate == rate_;
    }

    int read(std::uint16_t* out, int frames) override
    {
        const int frameBytes = 2 * channels_;
        int done = 0;
        while (done < frames && !failed_) {
            int link = 0;
            const long got = ov_read(vorbis_.get(), reinterpret_cast<char*>(out + done * channels_),
                                     (frames - done) * frameBytes, BIG_ENDIAN_WORDS, 2, 0, &link);
            if (got == 0)
                break;
            // A later link of another shape would play as noise.
            const vorbis_info* info = got > 0 ? ov_info(vorbis_.get(), link) : nullptr;
            if (!info || info->channels != channels_ || info->rate != rate_)
                failed_ = true;
            else
                done += static_cast<int>(got / frameBytes);
        }
        return done;
    }

private:
    RegularFile file_;
    VorbisWindow vorbis_;
    int channels_;
    long rate_;
};

} // namespace

std::unique_ptr<SoundFrames> openOggVorbisFrames(const char* path, long long dataEnd,
                                                 const OggVorbisHeader& header)
{
    auto frames = std::make_unique<OggVorbisFrames>(path, dataEnd, header);
    if (!frames->isOpen())
        return nullptr;
    return frames;
}
