#include "pagemap.h"

#include "text/utf8.h"

#include <deque>

bool endsAsMeant(int choice, int target)
{
    return choice == 1 && target <= 0;
}

void markReachable(PageMap& map)
{
    for (MapPage& page : map)
        page.reachable = false;
    if (map.empty())
        return;
    std::deque<int> waiting = {1};
    map[0].reachable = true;
    while (!waiting.empty()) {
        const MapPage& page = map[static_cast<std::size_t>(waiting.front() - 1)];
        waiting.pop_front();
        for (const MapChoice& choice : page.choices) {
            if (!choice.shown || choice.targetPage == 0)
                continue;
            MapPage& target = map[static_cast<std::size_t>(choice.targetPage - 1)];
            if (!target.reachable) {
                target.reachable = true;
                waiting.push_back(choice.targetPage);
            }
        }
    }
}

std::string dotEscaped(const std::string& text)
{
    std::string escaped;
    for (char c : escapeControls(text)) {
        if (c == '"' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

namespace {

std::string nodeName(int page)
{
    return "p" + std::to_string(page);
}

} // namespace

std::string pageMapDot(const PageMap& map)
{
    std::string dot = "digraph book {\n"
                      "  node [shape=box, fontname=\"DejaVu Sans\"];\n"
                      "  edge [fontname=\"DejaVu Sans\"];\n";
    if (!map.empty())
        dot += "  start [shape=point];\n  start -> p1;\n";
    bool endsBook = false;
    bool toNoPage = false;
    for (std::size_t i = 0; i < map.size(); ++i) {
        const MapPage& page = map[i];
        const int number = static_cast<int>(i) + 1;
        // "\n" inside a DOT label is its own line break.
        std::string label = std::to_string(number);
        if (!page.name.empty())
            label += " [" + dotEscaped(page.name) + "]";
        if (!page.reachable)
            label += " (unreachable)";
        if (!page.roomName.empty())
            label += "\\n" + dotEscaped(page.roomName);
        if (page.collisions > 0)
            label += "\\n(" + std::to_string(page.collisions)
                     + (page.collisions == 1 ? " collision)" : " collisions)");
        dot += "  " + nodeName(number) + " [label=\"" + label + "\"";
        if (!page.reachable)
            dot += ", style=\"dashed,filled\", fillcolor=\"lightgrey\"";
        if (page.collisions > 0)
            dot += ", color=\"orange\", penwidth=2";
        dot += "];\n";
        for (const MapChoice& choice : page.choices) {
            endsBook = endsBook || (choice.shown && choice.targetPage == 0 && !choice.toNoPage);
            toNoPage = toNoPage || (choice.shown && choice.toNoPage);
        }
    }
    if (endsBook)
        dot += "  end [label=\"end\", shape=doublecircle];\n";
    if (toNoPage)
        dot += "  nopage [label=\"no such page\", shape=octagon, color=\"red\", "
               "fontcolor=\"red\"];\n";
    for (std::size_t i = 0; i < map.size(); ++i) {
        for (const MapChoice& choice : map[i].choices) {
            if (!choice.shown)
                continue;
            const std::string to = choice.toNoPage           ? "nopage"
                                   : choice.targetPage == 0 ? "end"
                                                            : nodeName(choice.targetPage);
            dot += "  " + nodeName(static_cast<int>(i) + 1) + " -> " + to + " [label=\""
                   + dotEscaped(choice.label) + "\""
                   + (choice.toNoPage ? ", style=dashed, color=\"red\", fontcolor=\"red\"" : "")
                   + "];\n";
        }
    }
    dot += "}\n";
    return dot;
}
