#include "media.h"

#include "init.h"

#include <string>
#include <unordered_map>

namespace {

// Decoded objects with the number of holders of each, and the object each
// path gives to later requests.
template <typename T>
struct SharedStore {
    struct Holding {
        std::string path;
        int holders;
    };
    std::unordered_map<std::string, T*> byPath;
    std::unordered_map<T*, Holding> held;

    T* acquire(const char* path, T* (*load)(const char*))
    {
        auto found = byPath.find(path);
        if (found != byPath.end()) {
            ++held[found->second].holders;
            return found->second;
        }
        T* object = load(path);
        if (!object)
            return nullptr;
        byPath.emplace(path, object);
        held.emplace(object, Holding{path, 1});
        return object;
    }

    // Returns the object to destroy when its last holder let it go.
    T* release(T* object)
    {
        auto holding = held.find(object);
        if (holding == held.end() || --holding->second.holders > 0)
            return nullptr;
        auto current = byPath.find(holding->second.path);
        if (current != byPath.end() && current->second == object)
            byPath.erase(current);
        held.erase(holding);
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

void decodeMediaAnew()
{
    pictures.byPath.clear();
    sounds.byPath.clear();
}

std::size_t heldPictureCount()
{
    return pictures.held.size();
}

std::size_t heldSoundCount()
{
    return sounds.held.size();
}
