// The store keeps three things per file: its holders (pages), its holds on
// screen, and its decoded object. Decoded entries sit in `recent`, most
// recently used first; eviction walks it from the back.
//
//   acquired (checked) --decode--> decoded --evict--> acquired
//        \____________________ last release ____________________> freed
#include "media/media.h"

#include "media/picture.h"
#include "media/sound.h"

#include <algorithm>
#include <deque>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

enum class MediaKind { Picture, Sound };

struct MediaFile {
    std::string path;
    MediaKind kind;
    PictureHeader picture;
    // Read through wholeSound() wherever the length matters: a quick look
    // may have left it to come.
    SoundHeader sound;
    int holders = 0;
    bool onScreen = false;
    bool queued = false;
    bool failedAhead = false; // a decode ahead failed: not tried ahead again
    BITMAP* bitmap = nullptr;
    SAMPLE* sample = nullptr;
    std::size_t bytes = 0; // of the decoded object; 0 while not decoded
    std::list<MediaFile*>::iterator place; // in `recent`, while decoded
};

namespace {

struct Store {
    // The entry each path gives to later acquires; entries left out of
    // these by decodeMediaAnew live on until their last release.
    std::unordered_map<std::string, MediaFile*> pictures;
    std::unordered_map<std::string, MediaFile*> sounds;
    std::size_t heldPictures = 0;
    std::size_t heldSounds = 0;
    std::list<MediaFile*> recent;
    std::vector<MediaFile*> onScreen;
    std::deque<MediaFile*> ahead;
    std::size_t decodedBytes = 0;
    std::size_t budget = DEFAULT_MEDIA_BUDGET;
    // The player's own, unless a tool installs others.
    MediaLoaders loaders = playerMediaLoaders();
};

Store store;

SoundHeader quickSoundLook(const char* path)
{
    return inspectSound(path, SoundLook::Quick);
}

const MediaLoaders& loaders()
{
    return store.loaders;
}

// The sound's header looked at whole: a header whose length was left to
// come by the quick look (SoundLook) is completed here, once, on the first
// need of its length. Every MediaFile is made by acquire, never const, so
// completing it through a const pointer is sound; a caller sees a header
// that only grows more exact.
const SoundHeader& wholeSound(const MediaFile* file)
{
    if (file->sound.lengthToCome)
        const_cast<MediaFile*>(file)->sound = inspectSound(file->path.c_str());
    return file->sound;
}

std::size_t pictureBytes(const BITMAP* bitmap)
{
    return static_cast<std::size_t>(bitmap->w) * bitmap->h
           * ((bitmap_color_depth(const_cast<BITMAP*>(bitmap)) + 7) / 8);
}

std::size_t sampleBytes(const SAMPLE* sample)
{
    return static_cast<std::size_t>(sample->len) * (sample->stereo ? 2 : 1) * (sample->bits / 8);
}

// What decoding `file` will take, at most: pictures may come with an alpha
// channel, four bytes a pixel; samples are 16-bit.
std::size_t expectedBytes(const MediaFile* file)
{
    if (isDecoded(file))
        return file->bytes;
    if (file->kind == MediaKind::Picture)
        return static_cast<std::size_t>(file->picture.width) * file->picture.height * 4;
    const SoundHeader& sound = wholeSound(file);
    return static_cast<std::size_t>(std::max<long long>(sound.frames, 0)) * sound.channels * 2;
}

void forgetDecoded(MediaFile* file)
{
    if (!isDecoded(file))
        return;
    store.recent.erase(file->place);
    store.decodedBytes -= file->bytes;
    if (file->bitmap)
        destroy_bitmap(file->bitmap);
    if (file->sample)
        destroy_sample(file->sample);
    file->bitmap = nullptr;
    file->sample = nullptr;
    file->bytes = 0;
}

// Frees the least recently used decoded files until the decoded bytes fit
// the budget: first those queued for nothing, then those decoded ahead;
// never one held on screen, nor `keep` (the file just asked for).
void evictOverBudget(const MediaFile* keep)
{
    for (bool takeQueued : {false, true}) {
        for (auto it = store.recent.end(); it != store.recent.begin();) {
            if (store.decodedBytes <= store.budget)
                return;
            MediaFile* file = *--it;
            if (file == keep || file->onScreen || (file->queued && !takeQueued))
                continue;
            it = std::next(it); // forgetDecoded erases the file's place
            forgetDecoded(file);
        }
    }
}

void markUsed(MediaFile* file)
{
    store.recent.splice(store.recent.begin(), store.recent, file->place);
}

void noteDecoded(MediaFile* file, std::size_t bytes)
{
    file->bytes = bytes;
    store.decodedBytes += bytes;
    store.recent.push_front(file);
    file->place = store.recent.begin();
    evictOverBudget(file);
}

Result<MediaFile*> acquire(std::unordered_map<std::string, MediaFile*>& files, MediaKind kind,
                           const char* path)
{
    auto found = files.find(path);
    if (found != files.end()) {
        ++found->second->holders;
        return {found->second, std::nullopt};
    }
    auto* file = new MediaFile;
    file->path = path;
    file->kind = kind;
    std::optional<Problem> problem;
    if (kind == MediaKind::Picture) {
        file->picture = loaders().inspectPicture(path);
        problem = file->picture.problem;
    } else {
        file->sound = loaders().inspectSound(path);
        problem = file->sound.problem;
    }
    if (problem) {
        delete file;
        return {nullptr, problem};
    }
    file->holders = 1;
    files.emplace(path, file);
    ++(kind == MediaKind::Picture ? store.heldPictures : store.heldSounds);
    return {file, std::nullopt};
}

void unqueue(MediaFile* file)
{
    if (!file->queued)
        return;
    store.ahead.erase(std::remove(store.ahead.begin(), store.ahead.end(), file), store.ahead.end());
    file->queued = false;
}

void leaveScreen(MediaFile* file)
{
    if (!file->onScreen)
        return;
    file->onScreen = false;
    store.onScreen.erase(std::remove(store.onScreen.begin(), store.onScreen.end(), file),
                         store.onScreen.end());
}

std::size_t onScreenBytes()
{
    std::size_t bytes = 0;
    for (const MediaFile* file : store.onScreen)
        bytes += file->bytes;
    return bytes;
}

// Decodes `file` now; the problem when its decoder refuses it.
std::optional<Problem> decode(MediaFile* file)
{
    if (file->kind == MediaKind::Picture) {
        Result<BITMAP*> decoded = loaders().decodePicture(file->path.c_str(), file->picture);
        file->bitmap = decoded.value;
        if (file->bitmap)
            noteDecoded(file, pictureBytes(file->bitmap));
        return decoded.problem;
    }
    Result<SAMPLE*> decoded = loaders().decodeSound(file->path.c_str(), wholeSound(file));
    file->sample = decoded.value;
    if (file->sample)
        noteDecoded(file, sampleBytes(file->sample));
    return decoded.problem;
}

// The file decoded, for a page that needs it now; the problem when it
// cannot be.
std::optional<Problem> decodeNow(MediaFile* file)
{
    if (!isDecoded(file))
        return decode(file);
    markUsed(file);
    return std::nullopt;
}

std::size_t countDecoded(MediaKind kind)
{
    return static_cast<std::size_t>(std::count_if(
        store.recent.begin(), store.recent.end(), [kind](const MediaFile* f) { return f->kind == kind; }));
}

} // namespace

Result<MediaFile*> acquirePicture(const char* path)
{
    return acquire(store.pictures, MediaKind::Picture, path);
}

Result<MediaFile*> acquireSound(const char* path)
{
    return acquire(store.sounds, MediaKind::Sound, path);
}

void releaseMedia(MediaFile* file)
{
    if (!file || --file->holders > 0)
        return;
    unqueue(file);
    leaveScreen(file);
    forgetDecoded(file);
    const bool picture = file->kind == MediaKind::Picture;
    auto& files = picture ? store.pictures : store.sounds;
    const auto current = files.find(file->path);
    if (current != files.end() && current->second == file)
        files.erase(current);
    --(picture ? store.heldPictures : store.heldSounds);
    delete file;
}

const char* mediaPath(const MediaFile* file)
{
    return file->path.c_str();
}

const PictureHeader& pictureHeader(const MediaFile* file)
{
    return file->picture;
}

const SoundHeader& soundHeader(const MediaFile* file)
{
    return wholeSound(file);
}

bool isLongSound(const MediaFile* file)
{
    if (file->kind != MediaKind::Sound)
        return false;
    const SoundHeader& sound = wholeSound(file);
    return !sound.problem && sound.rate > 0
           && static_cast<double>(sound.frames) / sound.rate > STREAM_AFTER_SECONDS;
}

Result<BITMAP*> decodedPicture(MediaFile* file)
{
    std::optional<Problem> problem = decodeNow(file);
    return {file->bitmap, std::move(problem)};
}

Result<SAMPLE*> decodedSample(MediaFile* file)
{
    std::optional<Problem> problem = decodeNow(file);
    return {file->sample, std::move(problem)};
}

bool isDecoded(const MediaFile* file)
{
    return file->bitmap || file->sample;
}

void setOnScreen(std::initializer_list<MediaFile*> files)
{
    for (MediaFile* file : store.onScreen)
        file->onScreen = false;
    store.onScreen.clear();
    for (MediaFile* file : files) {
        if (file && !file->onScreen) {
            file->onScreen = true;
            store.onScreen.push_back(file);
        }
    }
}

void queueDecodeAhead(MediaFile* file)
{
    if (file->queued || (file->kind == MediaKind::Sound && isLongSound(file)))
        return;
    file->queued = true;
    store.ahead.push_back(file);
}

bool decodeAheadSlice()
{
    // What must fit the budget: the page on screen, then the queue in order.
    std::size_t committed = onScreenBytes();
    for (MediaFile* file : store.ahead) {
        if (file->onScreen || file->failedAhead)
            continue;
        committed += expectedBytes(file);
        if (committed > store.budget)
            return false;
        if (!isDecoded(file)) {
            file->failedAhead = decode(file).has_value();
            return true;
        }
    }
    return false;
}

void clearDecodeAhead()
{
    for (MediaFile* file : store.ahead)
        file->queued = false;
    store.ahead.clear();
}

void setMediaBudget(std::size_t bytes)
{
    store.budget = bytes;
    evictOverBudget(nullptr);
}

std::size_t mediaBudget()
{
    return store.budget;
}

MediaLoaders playerMediaLoaders()
{
    return {inspectPicture, decodeInspectedPicture, quickSoundLook, decodeInspectedSound};
}

void setMediaLoaders(const MediaLoaders& newLoaders)
{
    store.loaders = newLoaders;
}

void decodeMediaAnew()
{
    store.pictures.clear();
    store.sounds.clear();
}

std::size_t heldPictureCount()
{
    return store.heldPictures;
}

std::size_t heldSoundCount()
{
    return store.heldSounds;
}

std::size_t decodedPictureCount()
{
    return countDecoded(MediaKind::Picture);
}

std::size_t decodedSoundCount()
{
    return countDecoded(MediaKind::Sound);
}

std::size_t decodedMediaBytes()
{
    return store.decodedBytes;
}

std::size_t onScreenCount()
{
    return store.onScreen.size();
}

std::size_t queuedAheadCount()
{
    return store.ahead.size();
}
