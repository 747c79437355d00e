#include "stats.h"

#include "report.h"
#include "text/utf8.h"

#include <algorithm>
#include <cstdio>
#include <deque>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// How many pages the search for the longest way may step into before it
// gives up: the number of ways grows exponentially with the book.
const long searchBudget = 2000000;

struct LongestSearch {
    const PageMap& map;
    std::vector<bool> onWay;
    int longest = 0;
    long steps = 0;

    // A page on the way being followed, and the choice of it to follow next.
    struct Step {
        int page;    // from 1
        int choice = 0;
    };

    // Follows every way on from page 1, keeping the way in a list of its own
    // rather than on the call stack: a chain of a million pages is a million
    // steps deep.
    void fromFirstPage()
    {
        std::vector<Step> way;
        const auto enter = [&](int page) {
            if (++steps > searchBudget)
                return;
            onWay[page - 1] = true;
            way.push_back({page});
        };
        enter(1);
        while (!way.empty()) {
            Step& step = way.back();
            const MapChoice* choices = map[step.page - 1].choices;
            if (step.choice == CHOICES_PER_PAGE) {
                onWay[step.page - 1] = false;
                way.pop_back();
                continue;
            }
            const MapChoice& choice = choices[step.choice++];
            if (!choice.shown)
                continue;
            // Choices made so far: one for each page on the way, this one included.
            const int made = static_cast<int>(way.size());
            if (choice.targetPage == 0)
                longest = std::max(longest, made);
            else if (!onWay[choice.targetPage - 1])
                enter(choice.targetPage);
        }
    }
};

std::string mebibytes(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    return text;
}

std::string padded(const std::string& text, std::size_t width)
{
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

} // namespace

int wordCount(const std::string& text)
{
    int words = 0;
    bool inWord = false;
    for (char c : text) {
        if (isBlank(c)) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    }
    return words;
}

int characterCount(const std::string& text)
{
    int characters = 0;
    for (char c : text)
        characters += isUtf8Continuation(c) ? 0 : 1;
    return characters;
}

WayLengths wayLengths(const PageMap& map)
{
    WayLengths lengths;
    if (map.empty())
        return lengths;
    // Shortest: breadth first, remembering where each page was first reached from.
    std::vector<int> cameFrom(map.size(), -1);
    cameFrom[0] = 0;
    std::deque<int> waiting = {1};
    int endingPage = 0;
    while (!waiting.empty() && endingPage == 0) {
        const int page = waiting.front();
        waiting.pop_front();
        for (const MapChoice& choice : map[page - 1].choices) {
            if (!choice.shown)
                continue;
            if (choice.targetPage == 0) {
                endingPage = page;
                break;
            }
            if (cameFrom[choice.targetPage - 1] < 0) {
                cameFrom[choice.targetPage - 1] = page;
                waiting.push_back(choice.targetPage);
            }
        }
    }
    if (endingPage == 0)
        return lengths;
    lengths.anyEnding = true;
    for (int page = endingPage; page != 0; page = cameFrom[page - 1])
        lengths.shortest.insert(lengths.shortest.begin(), page);

    LongestSearch search{map, std::vector<bool>(map.size(), false)};
    search.fromFirstPage();
    lengths.longest = search.longest;
    lengths.longestExact = search.steps <= searchBudget;
    return lengths;
}

std::string statsReport(const PageMap& map, const BookFacts& facts)
{
    struct PageCounts {
        int choices = 0, endings = 0, words = 0, characters = 0;
    };
    std::vector<PageCounts> pages(map.size());
    PageCounts all;
    for (std::size_t i = 0; i < map.size(); ++i) {
        for (const MapChoice& choice : map[i].choices) {
            pages[i].choices += choice.shown ? 1 : 0;
            pages[i].endings += choice.shown && choice.targetPage == 0 ? 1 : 0;
        }
    }
    for (const ShownText& shown : facts.texts) {
        PageCounts& counts = shown.page > 0 ? pages[shown.page - 1] : all;
        counts.words += wordCount(shown.text);
        counts.characters += characterCount(shown.text);
    }
    for (const PageCounts& page : pages) {
        all.choices += page.choices;
        all.endings += page.endings;
        all.words += page.words;
        all.characters += page.characters;
    }

    std::string report = "pages: " + std::to_string(map.size())
                         + ", choices: " + std::to_string(all.choices)
                         + ", endings: " + std::to_string(all.endings)
                         + " (choices that end the book)\n";
    report += "words: " + std::to_string(all.words) + ", characters: "
              + std::to_string(all.characters) + " (every text a reader sees)\n";
    // Paragraphs are told once a page's text has more than one.
    int paragraphs = 0, parted = 0;
    for (const ShownText& shown : facts.texts) {
        if (shown.key != "text_main" || shown.text.empty())
            continue;
        const int count = 1 + static_cast<int>(std::count(shown.text.begin(), shown.text.end(), '\n'));
        paragraphs += count;
        parted += count > 1 ? 1 : 0;
    }
    if (parted > 0)
        report += "paragraphs: " + std::to_string(paragraphs) + " in the pages' texts, "
                  + std::to_string(parted) + (parted == 1 ? " text" : " texts")
                  + " of more than one\n";
    const WayLengths ways = wayLengths(map);
    if (!ways.anyEnding) {
        report += "no ending can be reached from page 1\n";
    } else {
        std::string way;
        for (int page : ways.shortest)
            way += std::to_string(page) + " > ";
        report += "shortest way from page 1 to an ending: " + counted(static_cast<long long>(ways.shortest.size()), "choice")
                  + " (" + way + "end)\n";
        report += "longest way that passes no page twice: " + counted(ways.longest, "choice") + (ways.longestExact ? "" : " at least (the search was cut off)")
                  + "\n";
    }
    const double at32 = 4.0 * facts.picturePixels;
    // In fewer bits per pixel, pictures with an alpha channel still take 32.
    const double at16 = 2.0 * (facts.picturePixels - facts.alphaPixels) + 4.0 * facts.alphaPixels;
    report += "pictures: " + counted(static_cast<long long>(facts.pictureFiles), "file") + ", "
              + counted(static_cast<long long>(facts.picturePixels), "pixel") + ": " + mebibytes(at16)
              + " decoded at 16 bits per pixel, " + mebibytes(at32) + " at 32\n";
    report += "sounds: " + counted(static_cast<long long>(facts.soundFiles), "file") + ", "
              + mebibytes(static_cast<double>(facts.soundBytes)) + " decoded\n";

    report += "\npage  choices  endings  words  characters  room name\n";
    for (std::size_t i = 0; i < map.size(); ++i) {
        const PageCounts& page = pages[i];
        report += padded(std::to_string(i + 1), 4) + padded(std::to_string(page.choices), 9)
                  + padded(std::to_string(page.endings), 9) + padded(std::to_string(page.words), 7)
                  + padded(std::to_string(page.characters), 12) + "  "
                  + escapeControls(map[i].roomName) + "\n";
    }
    return report;
}
