#include "testenv.h"

#include "app/startlibrary.h"
#include "assets.h"
#include "init.h"
#include "screen/display.h"
#include "text/fontfile.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <loadpng.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The scratch directories the running test made.
std::vector<std::string>& scratchDirs()
{
    static std::vector<std::string> dirs;
    return dirs;
}

// Removes a test's scratch directories when it passes and keeps them when it
// fails, so that a suite run leaves behind only what somebody must look at.
class ScratchCleaner : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        std::vector<std::string>& dirs = scratchDirs();
        if (!info.result()->Failed() && !dirs.empty()) {
            std::error_code ignored;
            fs::current_path(fs::temp_directory_path(), ignored);
            for (const std::string& dir : dirs)
                fs::remove_all(dir, ignored);
        }
        dirs.clear();
    }
};

const bool scratchCleanerAdded = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ScratchCleaner);
    return true;
}();

} // namespace

std::string enterScratchDir(const std::string& label)
{
    std::string pattern = (fs::temp_directory_path() / ("quorvel-" + label + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch directory");
    scratchDirs().push_back(pattern);
    fs::current_path(pattern);
    return pattern;
}

void writeFile(const std::string& path, const std::string& contents)
{
    const fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void copyFile(const std::string& from, const std::string& to)
{
    const fs::path target(to);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path());
    fs::copy_file(from, target, fs::copy_options::overwrite_existing);
}

bool writePicture(const std::string& path, int w, int h, int r, int g, int b)
{
    BITMAP* picture = makeTestPicture(w, h, r, g, b);
    if (!picture)
        return false;
    const fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    const bool written = writePng(path.c_str(), picture);
    destroy_bitmap(picture);
    return written;
}

void putPicture(const std::string& path, int w, int h, int r, int g, int b)
{
    ASSERT_TRUE(writePicture(path, w, h, r, g, b)) << path;
}

std::string pageOf(const std::string& lines)
{
    return "page_start:;\n" + lines + "page_end:;\n";
}

std::string tgaPicture(int imageType, int bitsPerPixel, int w, int h, const std::string& pixel,
                       const std::string& colourMap)
{
    auto little16 = [](int value) {
        return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
    };
    const int mapEntries = static_cast<int>(colourMap.size() / 3);
    std::string tga;
    tga += '\0';                                   // no image id
    tga += static_cast<char>(colourMap.empty() ? 0 : 1);
    tga += static_cast<char>(imageType);
    tga += little16(0) + little16(mapEntries);
    tga += static_cast<char>(colourMap.empty() ? 0 : 24);
    tga += little16(0) + little16(0) + little16(w) + little16(h);
    tga += static_cast<char>(bitsPerPixel);
    tga += '\0';                                   // rows from the bottom up
    tga += colourMap;
    for (int y = 0; y < h; ++y) {
        if (imageType & 8) {
            tga += static_cast<char>(0x80 | (w - 2)); // a run of w - 1 pixels
            tga += pixel;
            tga += '\0';                           // a raw packet of one
            tga += pixel;
        } else {
            for (int x = 0; x < w; ++x)
                tga += pixel;
        }
    }
    return tga;
}

void toStderr()
{
    dup2(2, 1);
}

void silenceMessageBoxes()
{
    setenv("PATH", "/nonexistent-quorvel-test-path", 1);
}

void startLibraryWithoutDisplay()
{
    silenceMessageBoxes();
    install_allegro(SYSTEM_NONE, &errno, atexit);
    set_uformat(U_UTF8);
    register_png_file_type();
}

bool startLibraryInWindow()
{
    silenceMessageBoxes();
    if (startLibrary() != 0)
        return false;
    set_uformat(U_UTF8);
    register_png_file_type();
    const std::string fontPath = std::string(QUORVEL_DEMO_DIR) + "/font.dat";
    times12Font = readFontFile(fontPath).value.release();
    if (!times12Font)
        return false;
    font = times12Font;
    if (!setGfxMode(GFX_AUTODETECT_WINDOWED, 640, 480))
        return false;
    install_timer();
    install_keyboard();
    install_mouse();
    doubleBuffer = create_bitmap(SCREEN_W, SCREEN_H);
    return doubleBuffer != nullptr;
}

std::string phraseOf(const std::optional<Problem>& problem)
{
    return problem ? problem->phrase : "";
}

void PrintTo(const Problem& problem, std::ostream* out)
{
    *out << quoted(problem.file) << " " << problem.phrase;
}

namespace {

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      bool withErrors)
{
    std::string command = shellQuoted(program);
    for (const std::string& arg : args)
        command += " " + shellQuoted(arg);
    command += withErrors ? " 2>&1" : " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    ProgramRun run;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, got);
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}
