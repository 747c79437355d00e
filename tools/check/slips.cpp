#include "slips.h"

#include "gamepage.h"
#include "init.h"
#include "keys.h"
#include "media/compose.h"
#include "text/keyvalue.h"
#include "text/problem.h"
#include "text/target.h"
#include "text/utf8.h"

namespace {

std::string trimmedRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

// At most `limit` characters of UTF-8 `text`, with "…" when cut.
std::string shortened(const std::string& text, std::size_t limit)
{
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isUtf8Continuation(text[at]) && characters++ == limit)
            return text.substr(0, at) + "…";
    }
    return text;
}

// Characters of a page name a report line shows: a name of 60,000 bytes
// costs one line of the report, not pages of it.
const std::size_t SHOWN_NAME_CHARACTERS = 80;

// A page name as the report shows it: quoted, cut to SHOWN_NAME_CHARACTERS
// with its length told when it is longer.
std::string shownName(const std::string& name)
{
    const std::string shown = shortened(name, SHOWN_NAME_CHARACTERS);
    if (shown.size() == name.size())
        return quoted(name);
    return quoted(shown) + " (" + std::to_string(name.size()) + " bytes)";
}

} // namespace

void SlipFinder::see(const BookEvent& event)
{
    if (event.kind == BookEventKind::UnknownPageName)
        unknownPageName(event);
    if (event.kind != BookEventKind::Entry)
        return;
    const BookKey& key = *event.row;
    if (key.id == BookKeyId::DefaultBg)
        defaultBgLine_ = event.line;
    if (key.id == BookKeyId::PageStart) {
        keysOnPage_.clear();
        startLine_[event.page] = event.line;
        backgroundLine_[event.page] = defaultBgLine_;
        picoLine_.erase(event.page);
        return;
    }
    if (event.page < 0)
        return;
    if (key.id == BookKeyId::PicoName)
        picoLine_[event.page] = event.line;
    if (key.value == KeyValue::Target)
        checkTarget(event);
    // Every key of a page but its bounds stands once on a page.
    if (key.level != KeyLevel::PageBound)
        checkRepeatedKey(event);
}

void SlipFinder::checkTarget(const BookEvent& event)
{
    const std::string& value = event.value;
    if (!isPageNumber(value))
        return;
    std::size_t used = 0;
    const int number = readPageNumber(value, &used);
    const std::string rest = trimmedRight(value.substr(used));
    if (rest.empty())
        return;
    warn(event.line, event.key + " " + quoted(value) + " is read as " + std::to_string(number) + ": "
                         + quoted(rest) + " after the number is ignored");
}

void SlipFinder::unknownPageName(const BookEvent& event)
{
    if (!namesKnown_) {
        // The pages are all read before any target's name is looked up.
        for (const Gamedata* page : gamedataPages)
            if (page->pageName)
                pageNames_.push_back(page->pageName);
        namesKnown_ = true;
    }
    const std::string nearest = nearestOf(event.value, pageNames_);
    std::string message = event.key + " " + shownName(event.value) + " names no page";
    if (!nearest.empty())
        message += " (did you mean " + quoted(nearest) + "?)";
    // Only the first choice has a way on without a target (book/book.h: pageAfterChoice).
    message += event.row->number == 1 ? ": the choice goes to the next page, as with no target"
                                      : ": the choice ends the book";
    error(event.line, message);
}

void SlipFinder::checkPageNames()
{
    const std::unordered_map<std::string_view, int> pageOfName = namedPages();
    for (std::size_t i = 0; i < gamedataPages.size(); ++i) {
        const char* name = gamedataPages[i]->pageName;
        if (!name)
            continue;
        const int line = startLine_[static_cast<int>(i)];
        const std::string page = "page " + std::to_string(i + 1);
        if (isPageNumber(name)) {
            warn(line, page + " is named " + shownName(name)
                           + ", which reads as a page number: no target can name it");
            continue;
        }
        const int first = pageOfName.at(name);
        if (first != static_cast<int>(i))
            error(line, page + " is named " + shownName(name) + " like page "
                            + std::to_string(first + 1) + ": targets that name it lead to page "
                            + std::to_string(first + 1));
    }
}

void SlipFinder::checkRepeatedKey(const BookEvent& event)
{
    const auto [first, isNew] = keysOnPage_.emplace(event.key, event.line);
    if (!isNew)
        warn(event.line, event.key + " given twice on this page (first at line "
                             + std::to_string(first->second) + "): the player keeps this one");
}

void SlipFinder::checkPictures()
{
    std::set<BITMAP*> seen;
    for (std::size_t i = 0; i < gamedataPages.size(); ++i) {
        const int index = static_cast<int>(i);
        const Gamedata& page = *gamedataPages[i];
        BITMAP* background = page.getBackround();
        if (background && seen.insert(background).second) {
            const int line = backgroundLine_[index];
            const std::string name = "background " + quoted(bookRelative(page.backgroundPath));
            if (hasAlpha(background))
                warn(line, name + " has transparent parts: they show black");
        }
        BITMAP* pico = page.getPico();
        if (!pico || !seen.insert(pico).second)
            continue;
        const int line = picoLine_[index];
        const std::string name = "illustration " + quoted(bookRelative(page.picoPath));
        if (pico->w >= ILLUSTRATION_AREA_W)
            warn(line, name + " is " + std::to_string(pico->w) + " pixels wide, more than "
                           + std::to_string(ILLUSTRATION_AREA_W - 1)
                           + ": it is not centred but drawn where the illustration before it was"
                           + (pico->w > ILLUSTRATION_AREA_W
                                  ? ", and cut to " + std::to_string(ILLUSTRATION_AREA_W)
                                  : std::string()));
        if (pico->h > ILLUSTRATION_AREA_H)
            warn(line, name + " is " + std::to_string(pico->h) + " pixels tall: the page shows its top "
                           + std::to_string(ILLUSTRATION_AREA_H) + ", the lowest "
                           + std::to_string(pico->h - ILLUSTRATION_AREA_H)
                           + " rows are cut off behind the choices");
    }
}

void SlipFinder::warn(int line, const std::string& message)
{
    findings_.push_back({line, Severity::Warning, message});
}

void SlipFinder::error(int line, const std::string& message)
{
    findings_.push_back({line, Severity::Error, message});
}

std::optional<Finding> textAfterValueFinding(int line, const std::string& afterValue)
{
    std::string after = trimmedRight(afterValue);
    const std::size_t start = after.find_first_not_of(" \t");
    if (start == std::string::npos || after[start] == '#')
        return std::nullopt;
    // A closing ';' is where the author meant the value to end.
    if (after.back() == ';')
        after = trimmedRight(after.substr(0, after.size() - 1));
    return Finding{line, Severity::Warning,
                   "text after ';' is ignored: «" + shortened(after, 40) + "»"};
}
