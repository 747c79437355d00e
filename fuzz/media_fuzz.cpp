// The player's picture and sound decoders on a file holding the input, each
// sound decoded whole and read as it plays. The
// first byte picks the file's name, and with it the decoder for all but PNG
// and Ogg Vorbis (found by their contents); the rest is the file.
#include "fuzzenv.h"
#include "media/picture.h"
#include "media/sound.h"

#include <allegro.h>

#include <vector>

namespace {

const char* const names[] = {"in.png", "in.bmp", "in.pcx", "in.tga", "in.ogg", "in.wav"};
const std::size_t pictureNames = 4;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    startFuzzing();
    static bool ready = false;
    if (!ready) {
        ready = true;
        set_color_depth(16); // the depth the player's window gets first
    }
    if (size == 0)
        return 0;
    const std::size_t pick = data[0] % (sizeof names / sizeof names[0]);
    writeInput(names[pick], data + 1, size - 1);
    if (pick < pictureNames) {
        const Result<BITMAP*> decoded = decodePicture(names[pick]);
        require(!decoded.value == decoded.problem.has_value(),
                "a picture is decoded, or its problem says why not");
        if (BITMAP* picture = decoded.value) {
            require(picture->w >= 1 && picture->w <= MAX_PICTURE_SIDE && picture->h >= 1
                        && picture->h <= MAX_PICTURE_SIDE,
                    "a decoded picture has the size its header was checked for");
            destroy_bitmap(picture);
        }
        return 0;
    }
    const SoundHeader header = inspectSound(names[pick]);
    const Result<SAMPLE*> decoded = decodeInspectedSound(names[pick], header);
    require(!decoded.value == decoded.problem.has_value(),
            "a sound is decoded, or its problem says why not");
    if (SAMPLE* sound = decoded.value) {
        require(!header.problem && sound->len > 0 && static_cast<long long>(sound->len) <= header.frames
                    && sound->freq >= MIN_SOUND_RATE && sound->freq <= MAX_SOUND_RATE,
                "a sound holds no more than its header states, at a rate the mixer takes");
        destroy_sample(sound);
    }
    // The same sound read as it plays, a little at a time (to its end,
    // which may come later than stated: a stream holds no fixed buffer).
    if (std::unique_ptr<SoundFrames> frames = openSoundFrames(names[pick], header)) {
        require(!header.problem, "only a sound that passed its look is read as it plays");
        std::vector<std::uint16_t> chunk(4096 * 2);
        while (frames->read(chunk.data(), 4096) > 0) {
        }
    }
    return 0;
}
