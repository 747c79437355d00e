#include "oggvorbis.h"

#include <logg.h>
#include <vorbis/vorbisfile.h>

#include <climits>

namespace {

// Closes the decoder on every way out.
class VorbisFile {
public:
    explicit VorbisFile(const char* path) : open_(ov_fopen(path, &file_) == 0) {}
    ~VorbisFile()
    {
        if (open_)
            ov_clear(&file_);
    }
    VorbisFile(const VorbisFile&) = delete;
    VorbisFile& operator=(const VorbisFile&) = delete;

    bool isOpen() const { return open_; }
    OggVorbis_File* get() { return &file_; }

private:
    OggVorbis_File file_;
    bool open_;
};

// Words in the library's own byte order.
#ifdef ALLEGRO_BIG_ENDIAN
const int BIG_ENDIAN_WORDS = 1;
#else
const int BIG_ENDIAN_WORDS = 0;
#endif

// Frames of the longest sound kept: the library counts sample lengths in int,
// and a stereo frame takes four bytes.
const long long MAX_FRAMES = INT_MAX / 4;

// Goes through the whole stream the way logg_load will, without keeping the
// sound. logg_load reserves four bytes for each frame of the length the file
// states and copies whatever each read gives after the last: true when every
// read succeeds, the stream keeps one channel count (one or two) and one
// rate from start to end, and all of it fits what logg reserves. `frames`
// is then the number of frames really decoded.
bool safeForLogg(const char* path, long long& frames)
{
    VorbisFile vorbis(path);
    if (!vorbis.isOpen())
        return false;
    const vorbis_info* first = ov_info(vorbis.get(), -1);
    if (!first || first->channels < 1 || first->channels > 2 || first->rate <= 0
        || first->rate > INT_MAX)
        return false;
    const int channels = first->channels;
    const long rate = first->rate;
    const long long stated = ov_pcm_total(vorbis.get(), -1);
    if (stated <= 0 || stated > MAX_FRAMES)
        return false;
    long long bytes = 0;
    char buffer[4096];
    int link = -1;
    for (;;) {
        const long got = ov_read(vorbis.get(), buffer, sizeof buffer, BIG_ENDIAN_WORDS, 2, 0, &link);
        if (got == 0)
            break;
        if (got < 0) // a lost page or a decoding error: logg would take it for a length
            return false;
        const vorbis_info* now = ov_info(vorbis.get(), link);
        if (!now || now->channels != channels || now->rate != rate)
            return false;
        bytes += got;
        if (bytes > stated * 4)
            return false;
    }
    frames = bytes / (2 * channels);
    return frames > 0;
}

} // namespace

SAMPLE* loadOggVorbis(const char* path)
{
    long long frames = 0;
    if (!safeForLogg(path, frames))
        return nullptr;
    SAMPLE* sample = logg_load(path);
    if (!sample)
        return nullptr;
    // logg keeps the stated length even when fewer frames came out (a cut
    // file): the rest of its buffer was never written, so it must not play.
    if (static_cast<unsigned long long>(frames) < sample->len)
        sample->len = sample->loop_end = static_cast<unsigned long>(frames);
    return sample;
}
