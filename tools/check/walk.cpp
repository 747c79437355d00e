#include "walk.h"

#include "report.h"
#include "text/problem.h"

#include <deque>
#include <random>

namespace {

std::string pageName(const PageMap& map, int page)
{
    std::string name = "page " + std::to_string(page);
    if (!map[page - 1].roomName.empty())
        name += " " + quoted(map[page - 1].roomName);
    return name;
}

} // namespace

WalkResult walkBook(const PageMap& map, int readings, std::uint32_t seed)
{
    WalkResult result;
    result.visited.assign(map.size(), false);
    if (map.empty())
        return result;
    // The shown choices of each page, found once: a reading makes up to
    // walkStepLimit choices, and each step must cost no more than a pick.
    struct ShownChoices {
        int count = 0;
        int choice[CHOICES_PER_PAGE] = {};
    };
    std::vector<ShownChoices> shownOn(map.size());
    for (std::size_t i = 0; i < map.size(); ++i)
        for (int k = 0; k < CHOICES_PER_PAGE; ++k)
            if (map[i].choices[k].shown)
                shownOn[i].choice[shownOn[i].count++] = k;
    // mt19937 gives the same numbers on every platform; the pick by
    // remainder is ours, as the standard distributions are not portable.
    std::mt19937 generator(seed);
    for (int reading = 0; reading < readings; ++reading) {
        int page = 1;
        WalkEnd end{WalkEnd::Kind::TooLong, 0, 0};
        for (int step = 0; step < walkStepLimit; ++step) {
            result.visited[page - 1] = true;
            const ShownChoices& shown = shownOn[page - 1];
            if (shown.count == 0) {
                end = {WalkEnd::Kind::Stuck, page, 0};
                break;
            }
            const int k = shown.choice[generator() % static_cast<unsigned>(shown.count)];
            const int target = map[page - 1].choices[k].targetPage;
            if (target == 0) {
                end = {WalkEnd::Kind::Ending, page, k};
                break;
            }
            page = target;
        }
        ++result.ends[end];
    }
    return result;
}

std::vector<int> trapPages(const PageMap& map)
{
    // Pages that lead to an ending: those with an ending choice, then every
    // page with a choice into one of them, until nothing changes.
    const std::size_t count = map.size();
    std::vector<std::vector<int>> ledFrom(count);
    std::vector<bool> leadsToEnd(count, false);
    std::deque<int> waiting;
    for (std::size_t i = 0; i < count; ++i) {
        for (const MapChoice& choice : map[i].choices) {
            if (!choice.shown)
                continue;
            if (choice.targetPage == 0 && !leadsToEnd[i]) {
                leadsToEnd[i] = true;
                waiting.push_back(static_cast<int>(i));
            } else if (choice.targetPage != 0) {
                ledFrom[choice.targetPage - 1].push_back(static_cast<int>(i));
            }
        }
    }
    while (!waiting.empty()) {
        const int page = waiting.front();
        waiting.pop_front();
        for (int from : ledFrom[page]) {
            if (!leadsToEnd[from]) {
                leadsToEnd[from] = true;
                waiting.push_back(from);
            }
        }
    }
    std::vector<int> traps;
    for (std::size_t i = 0; i < count; ++i)
        if (map[i].reachable && !leadsToEnd[i])
            traps.push_back(static_cast<int>(i) + 1);
    return traps;
}

std::string walkReport(const PageMap& map, const WalkResult& walk, int readings,
                       std::uint32_t seed)
{
    std::string report = counted(readings, "random reading") + " from page 1 (seed "
                         + std::to_string(seed) + "):\n";
    for (const auto& [end, times] : walk.ends) {
        std::string what;
        switch (end.kind) {
        case WalkEnd::Kind::Ending:
            what = "ended by \"" + map[end.page - 1].choices[end.choice].label + "\" on "
                   + pageName(map, end.page);
            break;
        case WalkEnd::Kind::Stuck:
            what = "stuck on " + pageName(map, end.page) + ", which has no choice";
            break;
        case WalkEnd::Kind::TooLong:
            what = "not ended after " + std::to_string(walkStepLimit) + " choices";
            break;
        }
        report += "  " + std::to_string(times) + " " + what + "\n";
    }
    std::string unvisited;
    for (std::size_t i = 0; i < walk.visited.size(); ++i)
        if (!walk.visited[i])
            unvisited += (unvisited.empty() ? "" : ", ") + std::to_string(i + 1);
    report += "pages no reading showed: " + (unvisited.empty() ? "none" : unvisited) + "\n";
    return report;
}

std::vector<Finding> trapFindings(const PageMap& map)
{
    std::vector<Finding> findings;
    for (int page : trapPages(map))
        findings.push_back({map[page - 1].line, Severity::Error,
                            "page " + std::to_string(page)
                                + " is a trap: no ending can be reached from it"});
    return findings;
}
