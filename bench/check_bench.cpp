// What the layout checks cost the book checker: a book of 10,000 pages,
// each with a room name, three choices and one of 20 illustrations, checked
// with the demo's font with the layout checks and without them, in turns in
// one run. Prints the median of each and their ratio; the layout checks are
// meant to add less than half.
#include "assets.h"
#include "book/book.h"
#include "check.h"
#include "init.h"
#include "session.h"
#include "testenv.h"
#include "text/buffers.h"

#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int PAGES = 10000;
const int ILLUSTRATIONS = 20;
const int ROUNDS = 5;

std::string bigBook()
{
    std::string pages = "default_bg:bg.png;\n";
    for (int i = 0; i < PAGES; ++i) {
        const int next = i + 2 <= PAGES ? i + 2 : 1;
        pages += "page_start:;\nroom_name:Страница " + std::to_string(i + 1) + " / Page;\n"
                 + "text_main:The path goes on between the trees. Тропа идёт дальше.;\n"
                 + "pico_name:p" + std::to_string(i % ILLUSTRATIONS) + ".png;\n"
                 + "but1_text:Onwards / Дальше;\nbut1_goto:" + std::to_string(next) + ";\n"
                 + "but2_text:Back / Назад;\nbut2_goto:1;\n"
                 + "but3_text:Wait;\nbut3_goto:" + std::to_string(i + 1) + ";\n" + "page_end:;\n";
    }
    return pages;
}

double secondsOf(const CheckSettings& settings, int* findings)
{
    const auto start = std::chrono::steady_clock::now();
    const CheckResult result = checkBook(settings);
    *findings = static_cast<int>(result.findings.size());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    startLibraryWithoutDisplay();
    set_color_depth(32);
    installCheckingLoaders();
    enterScratchDir("check-bench");
    if (!writePicture("books/big/pico/bg.png", 640, 480, 120, 160, 200))
        return 1;
    for (int i = 0; i < ILLUSTRATIONS; ++i)
        if (!writePicture("books/big/pico/p" + std::to_string(i) + ".png", 200 + 20 * i, 200,
                          40 + 9 * i, 90, 160))
            return 1;
    writeFile("books/big/pages.dat", bigBook());
    copyCut(book, sizeof book, "books/big");
    const LoadedFont font = loadFont(QUORVEL_DEMO_DIR "/font.dat");
    if (!font.font) {
        std::fprintf(stderr, "check-bench: cannot load the demo's font\n");
        return 1;
    }
    CheckSettings with{font.font.get(), "books/big"};
    CheckSettings without = with;
    without.layout = false;
    std::vector<double> withTimes, withoutTimes;
    int withFindings = 0, withoutFindings = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        withoutTimes.push_back(secondsOf(without, &withoutFindings));
        withTimes.push_back(secondsOf(with, &withFindings));
    }
    const double base = median(withoutTimes), layout = median(withTimes);
    std::printf("checker on a book of %d pages, median of %d rounds each\n", PAGES, ROUNDS);
    std::printf("  without layout checks: %8.1f ms  (%d findings)  baseline\n", base * 1000,
                withoutFindings);
    std::printf("  with layout checks:    %8.1f ms  (%d findings)  %.2fx the baseline, +%.0f %%\n",
                layout * 1000, withFindings, layout / base, (layout / base - 1) * 100);
    return 0;
}
