#include "media/oggvorbis.h"

#include <logg.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// libvorbisfile's callbacks on a window of a file (files/bookfile.h).
size_t windowRead(void* buffer, size_t size, size_t count, void* source)
{
    if (size == 0)
        return 0;
    return static_cast<FileWindow*>(source)->read(buffer, size * count) / size;
}

// A place outside the window is refused, as a file's seek refuses one
// before its start.
int windowSeek(void* source, ogg_int64_t offset, int whence)
{
    auto* window = static_cast<FileWindow*>(source);
    const long long to = window->seekTarget(offset, whence);
    if (to < 0 || to > window->end())
        return -1;
    window->moveTo(to);
    return 0;
}

int windowClose(void*)
{
    return 0; // the window does not own the file
}

long windowTell(void* source)
{
    return static_cast<long>(static_cast<FileWindow*>(source)->at());
}

const ov_callbacks windowCallbacks = {windowRead, windowSeek, windowClose, windowTell};
const ov_callbacks forwardOnlyCallbacks = {windowRead, nullptr, windowClose, nullptr};

// How far back from the end libvorbisfile looks for the last page at a
// time (its CHUNKSIZE).
const long long VORBISFILE_CHUNK = 65536;

// The stream of the last page before `end`, as libvorbisfile finds it when
// it opens a file it can seek in: reading forward with libogg's page sync
// from a chunk before the end, and a chunk further back while it finds
// none. The sync may lock onto other pages than a walk from the start
// would, so only the same search gives the same answer. False when there is
// no page.
bool lastPageStream(const BookFile& file, long long end, long& stream)
{
    for (long long begin = end; begin > 0;) {
        begin = std::max<long long>(0, begin - VORBISFILE_CHUNK);
        ogg_sync_state sync;
        ogg_sync_init(&sync);
        bool found = false;
        long long fed = begin;
        ogg_page page;
        for (;;) {
            const long step = ogg_sync_pageseek(&sync, &page);
            if (step > 0) {
                found = true;
                stream = ogg_page_serialno(&page);
            }
            if (step != 0)
                continue;
            const long long want = std::min<long long>(VORBISFILE_CHUNK, end - fed);
            char* buffer = want > 0 ? ogg_sync_buffer(&sync, static_cast<long>(want)) : nullptr;
            const std::size_t got = buffer ? file.readAt(fed, buffer, static_cast<std::size_t>(want)) : 0;
            if (got == 0)
                break;
            ogg_sync_wrote(&sync, static_cast<long>(got));
            fed += static_cast<long long>(got);
        }
        ogg_sync_clear(&sync);
        if (found)
            return true;
    }
    return false;
}

// A libvorbisfile decoder on a window of a file, closed on every way out.
// A decoder that cannot seek reads a chain of streams link after link and
// never looks for where each ends (libvorbisfile loses memory when it looks
// for a link whose headers it cannot read); it states no length.
class VorbisWindow {
public:
    // Opens the window able to seek or not, as `canSeek` says (a chain was
    // found by the constructor below).
    VorbisWindow(const BookFile& file, long long end, bool canSeek)
        : window_(file, end),
          canSeek_(canSeek),
          open_(ov_open_callbacks(&window_, &vorbis_, nullptr, 0,
                                  canSeek ? windowCallbacks : forwardOnlyCallbacks)
                == 0)
    {
    }

    // Opens the window able to seek, unless libvorbisfile would take it for
    // a chain of streams, whose links it would then look for: it does when
    // the last page it finds is of none of the streams that begin the file.
    // A chain is opened again, forward only. The headers of the first link
    // are read once either way, for a file of one stream.
    VorbisWindow(const BookFile& file, long long end)
        : window_(file, end), canSeek_(true), open_(false)
    {
        if (ov_test_callbacks(&window_, &vorbis_, nullptr, 0, windowCallbacks) != 0)
            return; // it cleared itself
        const long* firstStreams = vorbis_.serialnos + 2;
        const long* firstStreamsEnd = firstStreams + vorbis_.serialnos[1];
        long last = 0;
        canSeek_ = !lastPageStream(file, end, last)
                   || std::find(firstStreams, firstStreamsEnd, last) != firstStreamsEnd;
        if (canSeek_) {
            open_ = ov_test_open(&vorbis_) == 0; // a failed open clears itself
            return;
        }
        ov_clear(&vorbis_);
        window_.moveTo(0);
        open_ = ov_open_callbacks(&window_, &vorbis_, nullptr, 0, forwardOnlyCallbacks) == 0;
    }
    ~VorbisWindow()
    {
        if (open_)
            ov_clear(&vorbis_);
    }
    VorbisWindow(const VorbisWindow&) = delete;
    VorbisWindow& operator=(const VorbisWindow&) = delete;

    bool isOpen() const { return open_; }
    bool canSeek() const { return canSeek_; }
    OggVorbis_File* get() { return &vorbis_; }

private:
    FileWindow window_;
    OggVorbis_File vorbis_;
    bool canSeek_;
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
long long pageLengthAt(const BookFile& file, long long at)
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

long long oggDataEnd(const BookFile& file)
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

// The Ogg Vorbis file at `path` cannot be decoded, for the reason `phrase` gives.
Problem damaged(const char* path, std::string phrase)
{
    return {ProblemKind::Damaged, path, std::move(phrase)};
}

// Decodes the next at most `room` bytes of the stream of the file at `path`
// into `into`, as 16-bit words: what ov_read gives, 0 at the end; a problem
// when a page is lost, the data is damaged, or the stream changes from the
// `channels` and `rate` it began with (logg_load trusts them not to).
// Read forward only, libvorbisfile hands the last header page of each
// later link to its stream twice and reports a hole there: such a decoder
// reads on past holes, which lose no sound.
Result<long> readChecked(const char* path, VorbisWindow& vorbis, char* into, long room,
                         int channels, long rate)
{
    int link = 0;
    long got;
    do
        got = ov_read(vorbis.get(), into, static_cast<int>(room), BIG_ENDIAN_WORDS, 2, 0, &link);
    while (got == OV_HOLE && !vorbis.canSeek());
    if (got < 0)
        return {0, damaged(path, got == OV_HOLE
                                     ? "cannot be decoded: a page of its data is lost or damaged"
                                     : "cannot be decoded: its data is damaged")};
    const vorbis_info* now = ov_info(vorbis.get(), link);
    if (got > 0 && (!now || now->channels != channels || now->rate != rate))
        return {0, damaged(path, "cannot be decoded: its channels or rate change partway")};
    return {got, std::nullopt};
}

// The frames of a stream that states no length, decoded through without
// being kept; the count stops once past `most` (a little past it).
Result<long long> countFrames(const char* path, VorbisWindow& vorbis, int channels, long rate,
                              long long most)
{
    char buffer[4096];
    long long bytes = 0;
    const long long mostBytes = most * 2 * channels;
    while (bytes <= mostBytes) {
        const Result<long> got = readChecked(path, vorbis, buffer, sizeof buffer, channels, rate);
        if (got.problem)
            return {0, got.problem};
        if (got.value == 0)
            break;
        bytes += got.value;
    }
    return {bytes / (2 * channels), std::nullopt};
}

// What the opened stream's first header says: that it is Vorbis, its
// channels and rate, into `header`. Null when it says nothing usable.
const vorbis_info* readHead(VorbisWindow& vorbis, OggVorbisHeader& header)
{
    if (!vorbis.isOpen())
        return nullptr;
    const vorbis_info* info = ov_info(vorbis.get(), -1);
    if (!info || info->channels < 1)
        return nullptr;
    header.vorbis = true;
    header.channels = info->channels;
    header.rate = info->rate;
    return info;
}

} // namespace

OggVorbisHeader inspectOggVorbis(const char* path, const BookFile& file, long long dataEnd,
                                 long long mostBytes)
{
    OggVorbisHeader header;
    VorbisWindow vorbis(file, dataEnd);
    header.chained = !vorbis.canSeek();
    const vorbis_info* info = readHead(vorbis, header);
    if (!info)
        return header;
    if (!header.chained) {
        header.frames = ov_pcm_total(vorbis.get(), -1);
        return header;
    }
    const Result<long long> counted =
        countFrames(path, vorbis, info->channels, info->rate, mostBytes / (2 * info->channels));
    header.frames = counted.value;
    header.problem = counted.problem;
    header.vorbis = !counted.problem;
    return header;
}

OggVorbisHeader inspectOggVorbisHead(const BookFile& file)
{
    OggVorbisHeader header;
    VorbisWindow vorbis(file, file.size(), false);
    readHead(vorbis, header);
    return header;
}

namespace {

// Goes through the whole stream of the file at `path`, checking what
// logg_load trusts: the frames decoded when every read succeeds, the stream
// keeps one channel count and rate, and no more comes out than the stated
// length; else what went wrong. When `sample` is given (of the stated
// length, in the stream's channels, 16 bits) the sound is kept in it.
Result<long long> decodeWhole(const char* path, const BookFile& file, long long dataEnd,
                              const OggVorbisHeader& header, SAMPLE* sample)
{
    VorbisWindow vorbis(file, dataEnd, !header.chained);
    if (!vorbis.isOpen())
        return {0, damaged(path, "cannot be decoded: its Ogg Vorbis headers are damaged")};
    const char* const tooMuch = "cannot be decoded: it holds more sound than its last page states";
    const long long capacity = header.frames * 2 * header.channels; // bytes
    long long bytes = 0;
    char buffer[4096];
    for (;;) {
        char* into = sample ? static_cast<char*>(sample->data) + bytes : buffer;
        const long room = sample ? static_cast<long>(std::min<long long>(capacity - bytes, 4096))
                                 : static_cast<long>(sizeof buffer);
        if (room == 0) {
            // Full: anything more is more than was stated.
            const Result<long> more =
                readChecked(path, vorbis, buffer, sizeof buffer, header.channels, header.rate);
            if (more.problem)
                return {0, more.problem};
            if (more.value > 0)
                return {0, damaged(path, tooMuch)};
            break;
        }
        const Result<long> got = readChecked(path, vorbis, into, room, header.channels, header.rate);
        if (got.problem)
            return {0, got.problem};
        if (got.value == 0)
            break;
        bytes += got.value;
        if (bytes > capacity)
            return {0, damaged(path, tooMuch)};
    }
    const long long frames = bytes / (2 * header.channels);
    if (frames == 0)
        return {0, damaged(path, "holds no sound")};
    return {frames, std::nullopt};
}

} // namespace

Result<SAMPLE*> decodeOggVorbis(const char* path, const BookFile& file, long long dataEnd,
                                const OggVorbisHeader& header)
{
    Result<long long> decoded;
    SAMPLE* sample = nullptr;
    if (dataEnd == file.size() && !header.chained && file.diskPath()) {
        // Nothing after the last page, and one stream on disk: logg reads
        // the file by its name, once it is known to decode cleanly.
        decoded = decodeWhole(path, file, dataEnd, header, nullptr);
        if (decoded.problem)
            return {nullptr, decoded.problem};
        sample = logg_load(file.diskPath());
        if (!sample)
            return {nullptr, damaged(path, "cannot be decoded")};
    } else {
        sample = create_sample(16, header.channels == 2, static_cast<int>(header.rate),
                               static_cast<int>(header.frames));
        if (!sample)
            return {nullptr,
                    Problem{ProblemKind::NoMemory, path,
                            "needs " + std::to_string(header.frames * 2 * header.channels >> 20)
                                + " MB decoded: there is not enough memory to decode it"}};
        decoded = decodeWhole(path, file, dataEnd, header, sample);
        if (decoded.problem) {
            destroy_sample(sample);
            return {nullptr, decoded.problem};
        }
    }
    // A cut file comes out shorter than stated: the rest was never written,
    // so it must not play.
    if (static_cast<unsigned long long>(decoded.value) < sample->len)
        sample->len = sample->loop_end = static_cast<unsigned long>(decoded.value);
    return {sample, std::nullopt};
}

namespace {

class OggVorbisFrames : public SoundFrames {
public:
    OggVorbisFrames(const char* path, long long dataEnd, const OggVorbisHeader& header)
        : path_(path), file_(path), vorbis_(file_, dataEnd, !header.chained),
          channels_(header.channels), rate_(header.rate)
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
            // A later link of another shape fails too: it would play as noise.
            // A reading that fails says no more than that.
            const Result<long> got =
                readChecked(path_.c_str(), vorbis_, reinterpret_cast<char*>(out + done * channels_),
                            (frames - done) * frameBytes, channels_, rate_);
            if (got.problem)
                failed_ = true;
            else if (got.value == 0)
                break;
            else
                done += static_cast<int>(got.value / frameBytes);
        }
        return done;
    }

private:
    std::string path_;
    BookFile file_;
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
