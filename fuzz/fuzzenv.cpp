#include "fuzzenv.h"

#include <allegro.h>
#include <loadpng.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

void startFuzzing()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    // allegro_message prints instead of opening a window.
    setenv("PATH", "/nonexistent-quorvel-fuzz-path", 1);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "fuzz: cannot start the library\n");
        std::abort();
    }
    set_uformat(U_UTF8);
    register_png_file_type();
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvel-fuzz-XXXXXX";
    if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "fuzz: cannot make a scratch directory\n");
        std::abort();
    }
}

void writeInput(const char* path, const uint8_t* data, std::size_t size)
{
    FILE* out = std::fopen(path, "wb");
    const bool written = out && (size == 0 || std::fwrite(data, 1, size, out) == size);
    if (!out || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", path);
        std::abort();
    }
}

void require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz: broken: %s\n", what);
    std::abort();
}
