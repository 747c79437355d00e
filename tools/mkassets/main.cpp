// quorvel-mkassets <outdir>: paints the demo's pictures and makes its
// sounds, in the player's working-directory layout under <outdir>:
//   pico/title.png, books/demo/pico/*.png, books/demo/audio/*.{wav,ogg}.
// Everything is made from fixed seeds, so each run writes the same files.
#include "assets.h"
#include "scenes.h"

#include <allegro.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int kRate = 22050;

struct Picture {
    const char* path;
    BITMAP* (*paint)(std::string& error);
};

const Picture kPictures[] = {
    {"pico/title.png", paintTitle},
    {"books/demo/pico/forest.png", paintForestDay},
    {"books/demo/pico/night.png", paintForestNight},
    {"books/demo/pico/path.png", paintPath},
    {"books/demo/pico/river.png", paintRiver},
    {"books/demo/pico/panorama.png", paintPanorama},
    {"books/demo/pico/house.png", paintHouse},
    {"books/demo/pico/lantern.png", paintLantern},
    {"books/demo/pico/owl.png", paintOwl},
    {"books/demo/pico/cave.png", paintCave},
    {"books/demo/pico/sunrise.png", paintSunrise},
};

bool makeFolders(const fs::path& out)
{
    for (const char* folder : {"pico", "books/demo/pico", "books/demo/audio"}) {
        std::error_code ec;
        fs::create_directories(out / folder, ec);
        if (ec) {
            std::fprintf(stderr, "quorvel-mkassets: cannot create %s: %s\n", (out / folder).c_str(),
                         ec.message().c_str());
            return false;
        }
    }
    return true;
}

bool makePicture(const fs::path& out, const Picture& picture)
{
    std::string error;
    BITMAP* bmp = picture.paint(error);
    if (!bmp) {
        std::fprintf(stderr, "quorvel-mkassets: cannot paint %s: %s\n", picture.path, error.c_str());
        return false;
    }
    const std::string file = (out / picture.path).string();
    const bool saved = writePng(file.c_str(), bmp);
    destroy_bitmap(bmp);
    if (!saved)
        std::fprintf(stderr, "quorvel-mkassets: cannot write %s\n", file.c_str());
    return saved;
}

bool makeSounds(const fs::path& out)
{
    const std::string bell = (out / "books/demo/audio/bell.wav").string();
    if (!writeWav(bell.c_str(), makeBell(660, 1.5, kRate), kRate, 1)) {
        std::fprintf(stderr, "quorvel-mkassets: cannot write %s\n", bell.c_str());
        return false;
    }
    const std::string wind = (out / "books/demo/audio/wind.ogg").string();
    if (!writeOgg(wind.c_str(), makeWind(6.0, kRate, 424242), kRate, 1)) {
        std::fprintf(stderr, "quorvel-mkassets: cannot write %s\n", wind.c_str());
        return false;
    }
    const std::string stream = (out / "books/demo/audio/stream.ogg").string();
    if (!writeOgg(stream.c_str(), makeBrook(5.0, kRate, 171717), kRate, 1)) {
        std::fprintf(stderr, "quorvel-mkassets: cannot write %s\n", stream.c_str());
        return false;
    }
    return true;
}

// Prints each file made with its size, and returns the sum.
uintmax_t reportSizes(const fs::path& out)
{
    std::vector<std::string> files;
    for (const Picture& p : kPictures)
        files.push_back(p.path);
    for (const char* s : {"books/demo/audio/bell.wav", "books/demo/audio/wind.ogg", "books/demo/audio/stream.ogg"})
        files.push_back(s);
    uintmax_t total = 0;
    for (const std::string& f : files) {
        std::error_code ec;
        const uintmax_t size = fs::file_size(out / f, ec);
        if (!ec) {
            std::printf("  %-32s %8ju bytes\n", f.c_str(), size);
            total += size;
        }
    }
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvel-mkassets <outdir>\n");
        return 2;
    }
    const auto began = std::chrono::steady_clock::now();
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "quorvel-mkassets: cannot start the library: %s\n", allegro_error);
        return 1;
    }
    set_color_depth(24);

    const fs::path out(argv[1]);
    if (!makeFolders(out))
        return 1;
    for (const Picture& p : kPictures)
        if (!makePicture(out, p))
            return 1;
    if (!makeSounds(out))
        return 1;

    const uintmax_t total = reportSizes(out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("quorvel-mkassets: %ju bytes in all (%.2f MB), made in %.2f s\n", total, total / 1048576.0, seconds);
    return 0;
}
