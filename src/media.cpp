#include "media.h"

#include "init.h"

#include <string>
#include <unordered_map>

namespace {

// Decoded objects by path, with the number of holders of each.
template <typename T>
struct SharedStore {
    struct Entry {
        T* object;
        int holders;
    };
    std::unordered_map<std::string, Entry> byPath;
    std::unordered_map<T*, std::string> pathOf;

    T* acquire(const char* path, T* (*load)(const char*))
    {
        auto found = byPath.find(path);
        if (found != byPath.end()) {
            ++found->second.holders;
            return found->second.object;
        }
        T* object = load(path);
        if (!object)
            return nullptr;
        byPath.emplace(path, Entry{object, 1});
        pathOf.emplace(object, path);
        return object;
    }

    // Returns the object to destroy when its last holder let it go.
    T* release(T* object)
    {
        auto path = pathOf.find(object);
        if (path == pathOf.end())
            return nullptr;
        auto entry = byPath.find(path->second);
        if (--entry->second.holders > 0)
            return nullptr;
        byPath.erase(entry);
        pathOf.erase(path);
        return object;
    }
};

SharedStore<BITMAP> pictures;
SharedStore<SAMPLE> sounds;
MediaLoaders loaders = {loadPico, loadAudio};

} // namespace

BITMAP* acquirePicture(const char* path)
{
    return pictures.acquire(path, loaders.picture);
}

void releasePicture(BITMAP* picture)
{
    if (BITMAP* last = pictures.release(picture))
        destroy_bitmap(last);
}

SAMPLE* acquireSound(const char* path)
{
    return sounds.acquire(path, loaders.sound);
}

void releaseSound(SAMPLE* sound)
{
    if (SAMPLE* last = sounds.release(sound))
        destroy_sample(last);
}

void setMediaLoaders(const MediaLoaders& newLoaders)
{
    loaders = newLoaders;
}

std::size_t heldPictureCount()
{
    return pictures.byPath.size();
}

std::size_t heldSoundCount()
{
    return sounds.byPath.size();
}
