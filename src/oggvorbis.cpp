#include "oggvorbis.h"

#include <vorbis/vorbisfile.h>

#include <climits>
#include <cstring>
#include <vector>

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

} // namespace

SAMPLE* loadOggVorbis(const char* path)
{
    VorbisFile vorbis(path);
    if (!vorbis.isOpen())
        return nullptr;
    const vorbis_info* first = ov_info(vorbis.get(), -1);
    if (!first || first->channels < 1 || first->channels > 2 || first->rate <= 0
        || first->rate > INT_MAX)
        return nullptr;
    const int channels = first->channels;
    const long rate = first->rate;

    // The decoded bytes grow as they come: the length the file states is
    // only a hint, and a damaged file may state anything.
    std::vector<unsigned char> pcm;
    char buffer[4096];
    int link = -1;
    for (;;) {
        const long got = ov_read(vorbis.get(), buffer, sizeof buffer, BIG_ENDIAN_WORDS, 2, 0, &link);
        if (got == 0)
            break;
        if (got == OV_HOLE)
            continue; // a lost page: the stream goes on after it
        if (got < 0)
            return nullptr;
        const vorbis_info* now = ov_info(vorbis.get(), link);
        if (!now || now->channels != channels || now->rate != rate)
            return nullptr;
        if (static_cast<long long>(pcm.size() + got) / (2 * channels) > MAX_FRAMES)
            return nullptr;
        pcm.insert(pcm.end(), buffer, buffer + got);
    }
    const int frames = static_cast<int>(pcm.size() / (2 * channels));
    if (frames == 0)
        return nullptr;
    SAMPLE* sample = create_sample(16, channels == 2, static_cast<int>(rate), frames);
    if (!sample)
        return nullptr;
    std::memcpy(sample->data, pcm.data(), static_cast<std::size_t>(frames) * 2 * channels);
    return sample;
}
