#include "media/sound.h"

#include "media/oggvorbis.h"
#include "media/quietdecoders.h"
#include "files/bookfile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A 32-bit little-endian field of the file read as another value.
struct FieldPatch {
    long long at;
    std::uint32_t value;
};

std::uint32_t littleEndian32(const unsigned char* p)
{
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

unsigned littleEndian16(const unsigned char* p)
{
    return unsigned(p[1]) << 8 | p[0];
}

// The chunks the library's reader would walk, at most this many: past them
// a file is left to libsndfile, which seeks over chunks instead of reading
// them byte by byte.
const int MAX_LIBRARY_CHUNKS = 64;

// What walking a WAV file's chunks the library's way found.
struct WavLayout {
    bool safeForLibrary = false;
    // A data chunk written by a recorder that could not go back to fill in
    // its length states 0: it is read as running to the end of the file.
    std::vector<FieldPatch> patches;
};

// Walks the RIFF chunks of `file` the way the library's reader does (no
// pad bytes), reading only their headers.
WavLayout walkWav(const BookFile& file)
{
    WavLayout layout;
    unsigned char riff[12];
    if (file.readAt(0, riff, sizeof riff) != sizeof riff || std::memcmp(riff, "RIFF", 4) != 0
        || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return layout;
    bool safe = true, formatSeen = false;
    int chunks = 0, dataChunks = 0;
    long long at = 12;
    while (file.size() - at >= 8) {
        if (++chunks > MAX_LIBRARY_CHUNKS) {
            safe = false;
            break;
        }
        unsigned char head[8];
        file.readAt(at, head, sizeof head);
        const long long body = at + 8;
        const long long length = littleEndian32(head + 4);
        if (std::memcmp(head, "data", 4) == 0) {
            ++dataChunks;
            safe = safe && formatSeen;
            if (length == 0 && file.size() > body) {
                const long long rest = std::min<long long>(file.size() - body, 0xFFFFFFF0LL);
                layout.patches.push_back({at + 4, static_cast<std::uint32_t>(rest)});
                if (littleEndian32(riff + 4) == 0)
                    layout.patches.push_back(
                        {4, static_cast<std::uint32_t>(std::min<long long>(file.size() - 8, 0xFFFFFFF0LL))});
                safe = false;
            }
        }
        if (length > file.size() - body) {
            safe = false;
            break;
        }
        if (std::memcmp(head, "fmt ", 4) == 0) {
            unsigned char format[16];
            if (length < 16 || file.readAt(body, format, sizeof format) != sizeof format) {
                safe = false;
            } else {
                const unsigned tag = littleEndian16(format), channels = littleEndian16(format + 2);
                const std::uint32_t rate = littleEndian32(format + 4);
                const unsigned bits = littleEndian16(format + 14);
                safe = safe && tag == 1 && (channels == 1 || channels == 2) && (bits == 8 || bits == 16)
                       && rate >= static_cast<std::uint32_t>(MIN_SOUND_RATE)
                       && rate <= static_cast<std::uint32_t>(MAX_SOUND_RATE);
            }
            formatSeen = true;
        }
        at = body + length;
    }
    layout.safeForLibrary = safe && dataChunks == 1;
    return layout;
}

// The first `end` bytes of a file as libsndfile's virtual file, with the
// patches applied to what it reads.
struct SoundWindow {
    FileWindow window;
    std::vector<FieldPatch> patches;
};

sf_count_t windowLength(void* source)
{
    return static_cast<SoundWindow*>(source)->window.end();
}

// A place outside the window is held to it.
sf_count_t windowSeek(sf_count_t offset, int whence, void* source)
{
    FileWindow& window = static_cast<SoundWindow*>(source)->window;
    window.moveTo(window.seekTarget(offset, whence));
    return window.at();
}

sf_count_t windowRead(void* buffer, sf_count_t count, void* source)
{
    auto* sound = static_cast<SoundWindow*>(source);
    if (count <= 0)
        return 0;
    const long long from = sound->window.at();
    const std::size_t got = sound->window.read(buffer, static_cast<std::size_t>(count));
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (const FieldPatch& patch : sound->patches)
        for (int i = 0; i < 4; ++i) {
            const long long byteAt = patch.at + i;
            if (byteAt >= from && byteAt < from + static_cast<long long>(got))
                bytes[byteAt - from] = static_cast<unsigned char>(patch.value >> (8 * i));
        }
    return static_cast<sf_count_t>(got);
}

sf_count_t windowWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t windowTell(void* source)
{
    return static_cast<SoundWindow*>(source)->window.at();
}

SF_VIRTUAL_IO windowIo = {windowLength, windowSeek, windowRead, windowWrite, windowTell};

// A libsndfile reader on a window of a file, closed on every way out.
class SoundReader {
public:
    SoundReader(const BookFile& file, long long end, std::vector<FieldPatch> patches)
        : window_{FileWindow(file, end), std::move(patches)}
    {
        const DecoderOutputHidden quiet; // libmpg123 notes what it skips
        sound_ = sf_open_virtual(&windowIo, SFM_READ, &info_, &window_);
        if (!sound_)
            openError_ = sf_error(nullptr);
    }
    ~SoundReader()
    {
        if (sound_)
            sf_close(sound_);
    }
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    SNDFILE* get() const { return sound_; }
    const SF_INFO& info() const { return info_; }
    int openError() const { return openError_; } // libsndfile's code when it did not open

private:
    SoundWindow window_;
    SF_INFO info_ = {};
    SNDFILE* sound_ = nullptr;
    int openError_ = 0;
};

// "WAV (Microsoft), Signed 24 bit PCM": libsndfile's names of the
// container and the encoding.
std::string formatName(int format)
{
    std::string name;
    SF_FORMAT_INFO major = {format & SF_FORMAT_TYPEMASK, nullptr, nullptr};
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name)
        name = major.name;
    SF_FORMAT_INFO sub = {format & SF_FORMAT_SUBMASK, nullptr, nullptr};
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof sub) == 0 && sub.name)
        name += (name.empty() ? "" : ", ") + std::string(sub.name);
    return name;
}

// The problem of the sound at `path`.
Problem refusal(const char* path, ProblemKind kind, std::string phrase)
{
    return {kind, path, std::move(phrase)};
}

Problem sndfileRefusal(const char* path, int error)
{
    // libsndfile's own words for these speak of a file on disk ("does not
    // exist or is not a regular file (possibly a pipe?)"), which the file
    // it was given through the window is not: its decoders say so of data
    // they give up on.
    const int SFE_BAD_FILE = 7;
    if (error == SF_ERR_SYSTEM || error == SFE_BAD_FILE)
        return refusal(path, ProblemKind::Damaged,
                       "cannot be decoded: libsndfile gives up on its data, which is damaged");
    return refusal(path, ProblemKind::Damaged,
                   std::string("cannot be decoded (libsndfile: ") + sf_error_number(error) + ")");
}

// Checks what the header of the sound at `path` states against the limits.
SoundHeader withLimits(const char* path, SoundHeader header)
{
    const std::string what = header.format.empty() ? "" : " (" + header.format + ")";
    const long long maxFrames =
        header.channels > 0 ? MAX_SOUND_BYTES / (2 * header.channels) : 0;
    if (header.channels < 1 || header.channels > 2) {
        header.problem = refusal(path, ProblemKind::Unsupported,
                                 "has " + std::to_string(header.channels) + " channels" + what
                                     + ": the player plays only mono and stereo sounds");
    } else if (header.rate < MIN_SOUND_RATE || header.rate > MAX_SOUND_RATE) {
        header.problem = refusal(path, ProblemKind::Unsupported,
                                 "has a rate of " + std::to_string(header.rate) + " Hz" + what
                                     + ": the player plays rates from "
                                     + std::to_string(MIN_SOUND_RATE) + " to "
                                     + std::to_string(MAX_SOUND_RATE) + " Hz");
    } else if (header.frames <= 0) {
        header.problem = refusal(path, ProblemKind::Damaged, "holds no sound" + what);
    } else if (header.frames > maxFrames) {
        const long long megabytes = header.frames / (1 << 20) * 2 * header.channels;
        header.problem = refusal(path, ProblemKind::TooLarge,
                                 "is " + std::to_string(header.frames / header.rate) + " s long"
                                     + what + ", " + std::to_string(megabytes)
                                     + " MB decoded: more than the "
                                     + std::to_string(MAX_SOUND_BYTES >> 20)
                                     + " MB the player holds for one sound");
    }
    return header;
}

const sf_count_t SNDFILE_CHUNK_FRAMES = 4096;

// Reads up to `frames` frames (at most what `chunk` holds) into `out` as the
// library's unsigned 16-bit samples; returns the frames read. Read as
// floating point from -1 to 1 whatever the encoding (libsndfile would scale
// floating-point files by their peak to give integers) and turned into
// 16-bit words here.
sf_count_t readLibraryWords(SNDFILE* sound, std::vector<float>& chunk, sf_count_t frames,
                            int channels, std::uint16_t* out)
{
    const DecoderOutputHidden quiet;
    const sf_count_t got = sf_readf_float(sound, chunk.data(), frames);
    for (sf_count_t i = 0; i < got * channels; ++i) {
        const float value = std::clamp(chunk[static_cast<std::size_t>(i)] * 32768.0f, -32768.0f, 32767.0f);
        out[i] = static_cast<std::uint16_t>(std::lrint(value) + 32768);
    }
    return got;
}

// Decodes through libsndfile into a 16-bit sample of the stated length;
// a stream that ends early keeps what was decoded.
Result<SAMPLE*> decodeWithSndfile(const char* path, const BookFile& file,
                                  const SoundHeader& header)
{
    SoundReader reader(file, header.dataEnd, walkWav(file).patches);
    if (!reader.get())
        return {nullptr, sndfileRefusal(path, reader.openError())};
    const SF_INFO& info = reader.info();
    if (info.channels != header.channels || info.samplerate != header.rate
        || info.frames < header.frames)
        return {nullptr, refusal(path, ProblemKind::Damaged,
                                 "cannot be decoded: it changed since it was looked at")};
    SAMPLE* sample = create_sample(16, header.channels == 2, header.rate,
                                   static_cast<int>(header.frames));
    if (!sample)
        return {nullptr, refusal(path, ProblemKind::NoMemory,
                                 "needs " + std::to_string(header.frames * 2 * header.channels >> 20)
                                     + " MB decoded: there is not enough memory to decode it")};
    auto* out = static_cast<std::uint16_t*>(sample->data);
    std::vector<float> chunk(static_cast<std::size_t>(SNDFILE_CHUNK_FRAMES * header.channels));
    long long done = 0;
    while (done < header.frames) {
        const sf_count_t want = std::min<sf_count_t>(SNDFILE_CHUNK_FRAMES, header.frames - done);
        const sf_count_t got = readLibraryWords(reader.get(), chunk, want, header.channels, out);
        if (got <= 0)
            break;
        out += got * header.channels;
        done += got;
    }
    if (done == 0) {
        destroy_sample(sample);
        return {nullptr, refusal(path, ProblemKind::Damaged,
                                 "cannot be decoded: no sound could be read from it")};
    }
    sample->len = sample->loop_end = static_cast<unsigned long>(done);
    return {sample, std::nullopt};
}

// What the look at an Ogg Vorbis sound found, as the Ogg decoders take it.
OggVorbisHeader vorbisHeaderOf(const SoundHeader& header)
{
    OggVorbisHeader vorbis;
    vorbis.vorbis = true;
    vorbis.channels = header.channels;
    vorbis.rate = header.rate;
    vorbis.frames = header.frames;
    vorbis.chained = header.decoder == SoundDecoder::OggChain;
    return vorbis;
}

// A sound read in order through libsndfile.
class SndfileFrames : public SoundFrames {
public:
    SndfileFrames(const char* path, const SoundHeader& header)
        : file_(path),
          reader_(file_, header.dataEnd, walkWav(file_).patches),
          channels_(header.channels),
          chunk_(static_cast<std::size_t>(SNDFILE_CHUNK_FRAMES * header.channels))
    {
        open_ = reader_.get() && reader_.info().channels == header.channels
                && reader_.info().samplerate == header.rate;
    }

    bool isOpen() const { return open_; }

    int read(std::uint16_t* out, int frames) override
    {
        int done = 0;
        while (done < frames) {
            const sf_count_t want = std::min<sf_count_t>(SNDFILE_CHUNK_FRAMES, frames - done);
            const sf_count_t got =
                readLibraryWords(reader_.get(), chunk_, want, channels_, out + done * channels_);
            if (got <= 0) {
                failed_ = sf_error(reader_.get()) != SF_ERR_NO_ERROR;
                break;
            }
            done += static_cast<int>(got);
        }
        return done;
    }

private:
    BookFile file_;
    SoundReader reader_;
    int channels_;
    std::vector<float> chunk_;
    bool open_ = false;
};

// True when the file begins as one of the common sound files: WAV (RIFF,
// RIFX, RF64, Wave64), AIFF, AU, FLAC, CAF or MP3. Only these reach
// libsndfile, whose readers of rarer formats have had memory faults on
// damaged headers.
bool commonSoundFile(const BookFile& file)
{
    unsigned char head[12] = {};
    const std::size_t got = file.readAt(0, head, sizeof head);
    const auto starts = [&](const char* magic, std::size_t at = 0) {
        const std::size_t length = std::strlen(magic);
        return got >= at + length && std::memcmp(head + at, magic, length) == 0;
    };
    const bool mpegFrame = got >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
    return starts("RIFF") || starts("RIFX") || starts("RF64") || starts("riff")
           || (starts("FORM") && (starts("AIFF", 8) || starts("AIFC", 8))) || starts(".snd")
           || starts("fLaC") || starts("caff") || starts("ID3") || mpegFrame;
}

// True when the Ogg file begins with the one Opus stream libsndfile reads:
// an identification header of version 0 or 1 for one or two channels in
// channel mapping 0, alone on the file's first page (RFC 7845). Any other
// Ogg file is taken for Vorbis.
bool oggOpus(const BookFile& file)
{
    const std::size_t PAGE_HEADER = 27;
    unsigned char page[PAGE_HEADER + 1 + 19] = {};
    if (file.readAt(0, page, sizeof page) != sizeof page || page[26] != 1 || page[27] != 19)
        return false;
    const unsigned char* head = page + PAGE_HEADER + 1;
    return std::memcmp(head, "OpusHead", 8) == 0 && head[8] <= 1 && head[9] >= 1 && head[9] <= 2
           && head[18] == 0;
}

// The frames of a sound that states no length, decoded through without
// being kept; the count stops at `most`.
Result<long long> countSndfileFrames(const char* path, SNDFILE* sound, int channels, long long most)
{
    std::vector<float> chunk(static_cast<std::size_t>(SNDFILE_CHUNK_FRAMES * channels));
    long long frames = 0;
    const DecoderOutputHidden quiet;
    while (frames < most) {
        const sf_count_t got = sf_readf_float(sound, chunk.data(), SNDFILE_CHUNK_FRAMES);
        if (got <= 0)
            break;
        frames += got;
    }
    if (sf_error(sound) != SF_ERR_NO_ERROR)
        return {0, refusal(path, ProblemKind::Damaged,
                           std::string("cannot be decoded (libsndfile: ") + sf_strerror(sound) + ")")};
    return {std::min(frames, most), std::nullopt};
}

} // namespace

namespace {

// The quick look at an Ogg Vorbis sound kept compressed in an archive (see
// SoundLook): its head only.
SoundHeader quickOggLook(const char* path, const BookFile& file)
{
    SoundHeader header;
    const OggVorbisHeader vorbis = inspectOggVorbisHead(file);
    if (!vorbis.vorbis) {
        header.problem = refusal(path, ProblemKind::Damaged,
                                 "cannot be decoded: it is not Ogg Vorbis, or its headers are damaged");
        return header;
    }
    header.format = "Ogg Vorbis";
    header.channels = vorbis.channels;
    header.rate = static_cast<int>(std::clamp<long>(vorbis.rate, 0, MAX_SOUND_RATE + 1));
    header.dataEnd = file.size();
    header.decoder = SoundDecoder::Logg;
    // The limits on channels and rate now; on the length with the whole look.
    header.frames = 1;
    header = withLimits(path, header);
    header.frames = 0;
    header.lengthToCome = true;
    return header;
}

SoundHeader inspectSoundFile(const char* path, const BookFile& file, SoundLook look)
{
    SoundHeader header;
    const auto refuse = [&header, path](ProblemKind kind, std::string phrase) {
        header.problem = refusal(path, kind, std::move(phrase));
        return header;
    };
    const char* const notASound = "is not a sound file the player reads";
    header.dataEnd = file.size();
    unsigned char magic[4];
    const bool ogg =
        file.readAt(0, magic, sizeof magic) == sizeof magic && std::memcmp(magic, "OggS", 4) == 0;
    if (ogg && !oggOpus(file)) {
        if (look == SoundLook::Quick && file.readsOnlyFromItsStart())
            return quickOggLook(path, file);
        header.dataEnd = oggDataEnd(file);
        if (header.dataEnd == 0)
            return refuse(ProblemKind::Damaged, "cannot be decoded: it holds no whole Ogg page");
        const OggVorbisHeader vorbis =
            inspectOggVorbis(path, file, header.dataEnd, MAX_SOUND_BYTES);
        if (vorbis.problem) {
            header.problem = vorbis.problem;
            return header;
        }
        // Not handed to libsndfile, which loses memory when it gives up on
        // damaged Vorbis headers.
        if (!vorbis.vorbis)
            return refuse(ProblemKind::Damaged,
                          "cannot be decoded: it is not Ogg Vorbis, or its headers are damaged");
        header.format = "Ogg Vorbis";
        header.channels = vorbis.channels;
        header.rate = static_cast<int>(std::clamp<long>(vorbis.rate, 0, MAX_SOUND_RATE + 1));
        header.frames = vorbis.frames;
        header.decoder = vorbis.chained ? SoundDecoder::OggChain : SoundDecoder::Logg;
        return withLimits(path, header);
    }
    if (!ogg && !commonSoundFile(file))
        return refuse(ProblemKind::Unsupported, notASound);
    const WavLayout wav = walkWav(file);
    const SoundReader reader(file, header.dataEnd, wav.patches);
    if (!reader.get()) {
        if (reader.openError() == SF_ERR_UNRECOGNISED_FORMAT)
            return refuse(ProblemKind::Unsupported, notASound);
        header.problem = sndfileRefusal(path, reader.openError());
        return header;
    }
    const SF_INFO& info = reader.info();
    header.format = formatName(info.format);
    header.channels = info.channels;
    header.rate = info.samplerate;
    header.frames = info.frames;
    if (info.frames == SF_COUNT_MAX && info.channels >= 1 && info.channels <= 2
        && info.samplerate >= MIN_SOUND_RATE && info.samplerate <= MAX_SOUND_RATE) {
        // A stream that states no length (a FLAC written to a pipe, which
        // could not go back to fill it in): decoded through once, a frame
        // past the most the player holds, to count it.
        const Result<long long> counted =
            countSndfileFrames(path, reader.get(), info.channels,
                               MAX_SOUND_BYTES / (2 * info.channels) + 1);
        if (counted.problem) {
            header.problem = counted.problem;
            return header;
        }
        header.frames = counted.value;
        if (header.frames > MAX_SOUND_BYTES / (2 * info.channels))
            return refuse(ProblemKind::TooLarge,
                          "states no length, and is longer than "
                              + std::to_string(MAX_SOUND_BYTES / (2 * info.channels) / info.samplerate)
                              + " s (" + formatName(info.format) + "), more than the "
                              + std::to_string(MAX_SOUND_BYTES >> 20)
                              + " MB the player holds for one sound");
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    header.decoder = wav.safeForLibrary && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV
                             && (subtype == SF_FORMAT_PCM_U8 || subtype == SF_FORMAT_PCM_16)
                         ? SoundDecoder::LibraryWav
                         : SoundDecoder::Sndfile;
    return withLimits(path, header);
}

Result<SAMPLE*> decodeSoundFile(const char* path, const BookFile& file, const SoundHeader& header)
{
    if (header.decoder == SoundDecoder::Logg || header.decoder == SoundDecoder::OggChain)
        return decodeOggVorbis(path, file, header.dataEnd, vorbisHeaderOf(header));
    if (header.decoder == SoundDecoder::Sndfile)
        return decodeWithSndfile(path, file, header);
    SAMPLE* sample = nullptr;
    if (PACKFILE* packed = file.packfile()) {
        sample = load_wav_pf(packed);
        pack_fclose(packed);
    }
    if (!sample)
        return {nullptr, refusal(path, ProblemKind::Damaged, "cannot be decoded")};
    return {sample, std::nullopt};
}

} // namespace

SoundHeader inspectSound(const char* path, SoundLook look)
{
    const BookFile file(path);
    if (!file.isOpen()) {
        SoundHeader header;
        header.problem = file.problem();
        return header;
    }
    SoundHeader header = inspectSoundFile(path, file, look);
    // An archive's entry that broke off was not what the look saw.
    if (std::optional<Problem> cut = file.readProblem())
        header.problem = cut;
    return header;
}

Result<SAMPLE*> decodeInspectedSound(const char* path, const SoundHeader& header)
{
    if (header.problem)
        return {nullptr, header.problem};
    if (header.lengthToCome)
        return decodeSound(path);
    const BookFile file(path);
    if (!file.isOpen())
        return {nullptr, file.problem()};
    Result<SAMPLE*> decoded = decodeSoundFile(path, file, header);
    if (std::optional<Problem> cut = file.readProblem()) {
        if (decoded.value)
            destroy_sample(decoded.value);
        return {nullptr, cut};
    }
    return decoded;
}

std::unique_ptr<SoundFrames> openSoundFrames(const char* path, const SoundHeader& header)
{
    if (header.problem)
        return nullptr;
    if (header.lengthToCome) {
        const SoundHeader whole = inspectSound(path);
        return whole.lengthToCome ? nullptr : openSoundFrames(path, whole);
    }
    if (header.decoder == SoundDecoder::Logg || header.decoder == SoundDecoder::OggChain)
        return openOggVorbisFrames(path, header.dataEnd, vorbisHeaderOf(header));
    auto frames = std::make_unique<SndfileFrames>(path, header);
    if (!frames->isOpen())
        return nullptr;
    return frames;
}

Result<SAMPLE*> decodeSound(const char* path)
{
    return decodeInspectedSound(path, inspectSound(path));
}
