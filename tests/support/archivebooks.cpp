#include "archivebooks.h"

#include "book/book.h"
#include "files/bookfile.h"
#include "testenv.h"

#include <allegro.h>

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

void Archives::SetUp()
{
    alarm(ARCHIVE_HANG_SECONDS);
    startLibraryWithoutDisplay();
    set_color_depth(32);
    root = enterScratchDir("archive");
}

void Archives::TearDown()
{
    unmountArchives();
    freePages();
    alarm(0);
}

std::string pngBytes(int r, int g, int b)
{
    writePicture("made.png", 8, 8, r, g, b);
    const std::string bytes = readFile("made.png");
    fs::remove("made.png");
    return bytes;
}

const char* const TWO_PAGES =
    "book_name:Lantern;\ndefault_bg:lamp.png;\n"
    "page_start:;\npico_name:lamp.png;\ntext_main:One.;\nbut1_text:On;\npage_end:;\n"
    "page_start:;\npico_name:owl.png;\ntext_main:Two.;\nbut1_text:End;\nbut1_goto:0;\npage_end:;\n";

std::vector<ZipMember> bookMembers(const std::string& prefix, bool deflate)
{
    std::vector<ZipMember> members;
    if (!prefix.empty())
        members.push_back({prefix, "", false});
    members.push_back({prefix + "pages.dat", TWO_PAGES, deflate});
    members.push_back({prefix + "pico/", "", false});
    members.push_back({prefix + "pico/lamp.png", pngBytes(200, 180, 40), deflate});
    members.push_back({prefix + "pico/owl.png", pngBytes(90, 60, 30), deflate});
    return members;
}

std::set<std::string> listing()
{
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(".")) {
        std::error_code ignored;
        const auto size = entry.is_regular_file(ignored) ? entry.file_size(ignored) : 0;
        found.insert(entry.path().string() + " " + std::to_string(size));
    }
    return found;
}
