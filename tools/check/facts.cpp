#include "facts.h"

#include "media/compose.h"
#include "text/buffers.h"
#include "text/utf8.h"

#include <algorithm>
#include <set>

namespace {

// `value` of a text line with key `key` as the player keeps it: cut at a
// whole character to the buffer it is read into.
std::string asKept(const BookKey& key, const std::string& value)
{
    std::vector<char> kept(key.limit);
    copyCut(kept.data(), kept.size(), value.c_str());
    return kept.data();
}

// The line that gives the value the page keeps: the last of its key.
void keepLast(std::vector<ShownText>& texts, ShownText text)
{
    texts.erase(std::remove_if(texts.begin(), texts.end(),
                               [&](const ShownText& t) { return t.key == text.key; }),
                texts.end());
    texts.push_back(std::move(text));
}

} // namespace

void FactCollector::see(const BookEvent& event)
{
    if (event.kind != BookEventKind::Entry)
        return;
    const BookKey& key = *event.row;
    if (key.shown && key.level == KeyLevel::Book) { // an end message
        keepLast(endMessages_, {0, event.line, event.key, asKept(key, event.value)});
        return;
    }
    if (event.page < 0)
        return;
    const std::size_t index = static_cast<std::size_t>(event.page);
    if (byPage_.size() <= index)
        byPage_.resize(index + 1);
    if (key.id == BookKeyId::PageStart)
        byPage_[index].clear(); // a page never ended gives its index to the next one
    else if (key.shown)
        keepLast(byPage_[index], {event.page + 1, event.line, event.key, asKept(key, event.value)});
}

BookFacts FactCollector::gather()
{
    BookFacts facts;
    const std::size_t pages = std::min(byPage_.size(), gamedataPages.size());
    for (std::size_t i = 0; i < pages; ++i) {
        std::vector<ShownText> texts = byPage_[i];
        std::sort(texts.begin(), texts.end(),
                  [](const ShownText& a, const ShownText& b) { return a.line < b.line; });
        facts.texts.insert(facts.texts.end(), texts.begin(), texts.end());
    }
    std::sort(endMessages_.begin(), endMessages_.end(),
              [](const ShownText& a, const ShownText& b) { return a.key < b.key; });
    facts.texts.insert(facts.texts.end(), endMessages_.begin(), endMessages_.end());

    std::set<BITMAP*> pictures;
    std::set<SAMPLE*> sounds;
    for (const Gamedata* page : gamedataPages) {
        for (BITMAP* picture : {page->getBackround(), page->getPico()}) {
            if (!picture || !pictures.insert(picture).second)
                continue;
            const std::size_t pixels = static_cast<std::size_t>(picture->w) * picture->h;
            facts.picturePixels += pixels;
            if (hasAlpha(picture))
                facts.alphaPixels += pixels;
        }
        SAMPLE* sound = page->getSound();
        if (sound && sounds.insert(sound).second)
            facts.soundBytes += static_cast<std::size_t>(sound->len) * (sound->stereo ? 2 : 1)
                                * (sound->bits / 8);
    }
    facts.pictureFiles = pictures.size();
    facts.soundFiles = sounds.size();
    return facts;
}

std::string textReport(const BookFacts& facts, const std::string& file)
{
    std::string report;
    for (const ShownText& shown : facts.texts) {
        report += file + ":" + std::to_string(shown.line) + ": ";
        if (shown.page > 0)
            report += "page " + std::to_string(shown.page) + ", ";
        // Each paragraph of a page's text on a line of its own, the later
        // ones indented under the first.
        std::string text = shown.text;
        std::string shownText;
        for (std::size_t from = 0;;) {
            const std::size_t end = text.find('\n', from);
            const std::string paragraph = text.substr(from, end == std::string::npos ? end : end - from);
            shownText += (from == 0 ? escapeControls(shown.key + ": " + paragraph)
                                    : "\n    " + escapeControls(paragraph));
            if (end == std::string::npos)
                break;
            from = end + 1;
        }
        report += shownText + "\n";
    }
    return report;
}
