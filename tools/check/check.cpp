#include "check.h"

#include "book/book.h"
#include "encoding.h"
#include "glyphs.h"
#include "init.h"
#include "keys.h"
#include "owntexts.h"
#include "session.h"
#include "slips.h"
#include "text/buffers.h"
#include "text/regularfile.h"
#include "text/target.h"
#include "text/utf8.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// `text` cut as the player cuts it into a buffer of `size` bytes.
std::string cutTo(const std::string& text, std::size_t size)
{
    std::vector<char> buffer(size);
    copyCut(buffer.data(), size, text.c_str());
    return buffer.data();
}

// 0, 1 or 2 when `key` is "but1" .. "but3" followed by `suffix`; else -1.
int choiceOf(const std::string& key, const char* suffix)
{
    if (key.size() != 4 + std::strlen(suffix) || key.compare(0, 3, "but") != 0
        || key.compare(4, std::string::npos, suffix) != 0)
        return -1;
    if (key[3] < '1' || key[3] > '3')
        return -1;
    return key[3] - '1';
}

std::string choiceKey(int choice, const char* suffix)
{
    return "but" + std::to_string(choice + 1) + suffix;
}

// The lines that made one page, remembered while the book is read.
struct ChoiceLines {
    int label = 0;           // line of its butN_text, 0 when none
    int target = 0;          // line of its butN_goto, 0 when none
    std::string targetText;  // the butN_goto value as written
};

struct PageLines {
    int start = 0;
    ChoiceLines choices[CHOICES_PER_PAGE];
};

// Turns the reader's events, then the pages it kept, into findings.
class Analyzer {
public:
    explicit Analyzer(const CheckSettings& settings) : settings_(settings) {}

    void see(const BookEvent& event)
    {
        switch (event.kind) {
        case BookEventKind::Entry:
            entry(event);
            break;
        case BookEventKind::UnknownKey:
            unknownKey(event);
            break;
        case BookEventKind::InvalidLine:
            warn(event.line, event.value.find(':') == std::string::npos
                                 ? "line skipped: it has no ':'"
                                 : "line skipped: no ';' after the ':'");
            break;
        case BookEventKind::OutsidePage:
            error(event.line, event.key + " outside a page: ignored (no page_start before it)");
            break;
        case BookEventKind::PageEndWithoutStart:
            warn(event.line, "page_end without a page_start: ignored");
            break;
        case BookEventKind::PageNeverEnded:
            warn(event.line, "page never ended (no page_end after it): the player drops it");
            break;
        case BookEventKind::UnknownPageName: // the slip finder tells of it (slips.h)
            break;
        case BookEventKind::FileNotLoaded:
            fileNotLoaded(event);
            break;
        case BookEventKind::NotUtf8:
            ++notUtf8Lines_;
            error(event.line, "this line holds bytes that are not UTF-8: the player shows each as \""
                                  + std::string(1, UTF8_REPLACEMENT) + "\"");
            break;
        }
    }

    // Builds the map from the pages the reader kept (in gamedataPages) and
    // reports the problems of their choices.
    PageMap mapPages()
    {
        const std::size_t count = std::min(gamedataPages.size(), pages_.size());
        const int pageCount = static_cast<int>(count);
        PageMap map(count);
        for (std::size_t i = 0; i < count; ++i) {
            const Gamedata& record = *gamedataPages[i];
            MapPage& page = map[i];
            page.line = pages_[i].start;
            page.name = record.pageName ? record.pageName : "";
            page.roomName = record.roomName ? record.roomName : "";
            for (int k = 0; k < CHOICES_PER_PAGE; ++k) {
                MapChoice& choice = page.choices[k];
                const char* label = record.getButText(k + 1);
                const int target = record.getButGoto(k + 1);
                choice.shown = label != nullptr;
                choice.label = choice.shown ? label : "";
                const int leadsTo = pageAfterChoice(static_cast<int>(i), k + 1, target, pageCount);
                choice.targetPage = leadsTo == BOOK_ENDS ? 0 : leadsTo + 1;
                choice.toNoPage = leadsTo == BOOK_ENDS && !endsAsMeant(k + 1, target);
                checkChoice(k, choice.shown, target, pages_[i].choices[k], pageCount);
            }
        }
        markReachable(map);
        for (std::size_t i = 0; i < count; ++i)
            checkPage(map[i], static_cast<int>(i) + 1);
        if (count == 0)
            error(0, "the book has no page (a page runs from page_start to page_end)");
        return map;
    }

    void error(int line, const std::string& message)
    {
        findings_.push_back({line, Severity::Error, message});
    }

    void warn(int line, const std::string& message)
    {
        findings_.push_back({line, Severity::Warning, message});
    }

    int notUtf8Lines() const { return notUtf8Lines_; }

    std::vector<Finding> takeFindings()
    {
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
        return std::move(findings_);
    }

private:
    void entry(const BookEvent& event)
    {
        const std::string& key = event.key;
        const std::string& value = event.value;
        const int line = event.line;
        if (key == "page_start") {
            current_ = PageLines{};
            current_.start = line;
            if (defaultBgLine_ == 0)
                error(line, "page without a background: no default_bg line before it");
        } else if (key == "page_end") {
            pages_.push_back(current_);
        } else if (key == "default_bg") {
            defaultBgLine_ = line;
            checkPath(line, "/pico/", value);
        } else if (key == "pico_name") {
            checkPath(line, "/pico/", value);
        } else if (key == "sound_name") {
            checkPath(line, "/audio/", value);
        } else if (key == "room_name") {
            checkRoomName(line, value);
            checkGlyphs(line, key, value);
        } else if (key == "text_main") {
            checkLength(line, key, value, TEXT_SIZE);
            checkGlyphs(line, key, value);
        } else if (key.compare(0, 12, "end_message_") == 0) {
            checkLength(line, key, value, LABEL_SIZE);
            checkGlyphs(line, key, value);
        } else if (key == "sound_loop") {
            if (value != "YES" && value != "NO")
                warn(line, "sound_loop " + quoted(value)
                               + " is neither YES nor NO: only exactly YES plays the sound once, "
                                 "any other value loops it");
        } else if (const int choice = choiceOf(key, "_text"); choice >= 0) {
            current_.choices[choice].label = line;
            if (value.empty())
                warn(line, key + " is empty: the button shows no text");
            checkLength(line, key, value, LABEL_SIZE);
            checkGlyphs(line, key, value);
        } else if (const int target = choiceOf(key, "_goto"); target >= 0) {
            current_.choices[target].target = line;
            current_.choices[target].targetText = value;
        }
    }

    void unknownKey(const BookEvent& event)
    {
        // Keys are told as the line reader gives them: narrow them to the file's bytes.
        const std::string key = encrCyr(event.key);
        const std::string suggestion = nearestKey(key);
        if (suggestion.empty())
            warn(event.line, "unknown key " + quoted(key) + ": line ignored");
        else
            warn(event.line, "unknown key " + quoted(key) + " (did you mean " + quoted(suggestion)
                                 + "?)");
    }

    void fileNotLoaded(const BookEvent& event)
    {
        const std::string& path = event.value;
        std::string what;
        if (event.key == "default_bg") {
            // An empty path is a page before any default_bg, already reported;
            // a bad background is reported at the first page that uses it.
            if (path.empty() || !failedBackgrounds_.insert(path).second)
                return;
            what = "background " + quoted(bookRelative(path)) + " (default_bg at line "
                   + std::to_string(defaultBgLine_) + ")";
        } else if (event.key == "sound_name") {
            what = "sound " + quoted(bookRelative(path));
        } else {
            what = "picture " + quoted(bookRelative(path));
        }
        error(event.line, what + " " + event.problem->phrase);
    }

    void checkPath(int line, const char* folder, const std::string& fileName)
    {
        const std::string path = settings_.playerBook + folder + fileName;
        if (path.size() > PATH_SIZE - 1)
            warn(line, "path " + quoted(path) + " is " + std::to_string(path.size())
                           + " bytes: the player cuts it to " + quoted(cutTo(path, PATH_SIZE)));
    }

    void checkLength(int line, const std::string& key, const std::string& value, std::size_t size)
    {
        if (value.size() > size - 1)
            warn(line, key + " is " + std::to_string(value.size())
                           + " bytes: the player keeps only its first "
                           + std::to_string(cutTo(value, size).size()));
    }

    void checkRoomName(int line, const std::string& value)
    {
        const std::size_t drawnBytes = DRAWN_LINE_SIZE - 1;
        if (value.size() <= drawnBytes)
            return;
        const std::string kept = cutTo(value, LABEL_SIZE);
        const std::string drawn = cutTo(kept, DRAWN_LINE_SIZE);
        warn(line, "room_name is " + std::to_string(value.size()) + " bytes, more than the "
                       + std::to_string(drawnBytes) + " the page draws: it shows " + quoted(drawn));
    }

    void checkGlyphs(int line, const std::string& key, const std::string& value)
    {
        if (!settings_.font)
            return;
        const std::string missing = describeMissingGlyphs(settings_.font, value);
        if (!missing.empty())
            warn(line, key + ": the font has no glyph for " + missing);
    }

    void checkChoice(int k, bool shown, int target, const ChoiceLines& lines, int pageCount)
    {
        if (lines.target != 0 && !shown)
            warn(lines.target, choiceKey(k, "_goto") + " without " + choiceKey(k, "_text")
                                   + ": the choice is hidden");
        if (lines.target != 0 && target > pageCount)
            error(lines.target, choiceKey(k, "_goto") + " " + std::to_string(target)
                                    + " is past the last page (" + std::to_string(pageCount)
                                    + "): the choice ends the book");
        // Only the first choice has a way on without a target.
        if (k == 0 || !shown || target > 0)
            return;
        if (lines.target == 0)
            error(lines.label, choiceKey(k, "_text") + " without " + choiceKey(k, "_goto")
                                   + ": the choice ends the book");
        else if (isPageNumber(lines.targetText)) // a name no page bears is told apart
            error(lines.target, choiceKey(k, "_goto") + " " + quoted(lines.targetText)
                                    + " is no page (pages count from 1): the choice ends the book");
    }

    void checkPage(const MapPage& page, int number)
    {
        const std::string name = "page " + std::to_string(number);
        if (!page.reachable)
            warn(page.line, name + " is not reached from page 1");
        const bool anyChoice = std::any_of(std::begin(page.choices), std::end(page.choices),
                                           [](const MapChoice& c) { return c.shown; });
        if (!anyChoice)
            warn(page.line, name + " has no choice: the reader can only go back to the menu");
    }

    const CheckSettings& settings_;
    std::vector<Finding> findings_;
    std::vector<PageLines> pages_;  // the pages ended so far, in book order
    PageLines current_;             // the page being read
    int defaultBgLine_ = 0;         // line of the last default_bg, 0 before any
    std::set<std::string> failedBackgrounds_;
    int notUtf8Lines_ = 0;
};

// What to tell the author of a book file with lines that are not UTF-8.
std::string notUtf8Advice(const std::string& path)
{
    const RegularFile file(path.c_str());
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    bytes.resize(file.readAt(0, bytes.data(), bytes.size()));
    const std::string encoding = legacyEncodingName(guessLegacyEncoding(bytes));
    if (encoding.empty())
        return "the book file is not UTF-8: save the file as UTF-8";
    return "the book file is not UTF-8: it reads as " + encoding + "; save the file as UTF-8";
}

} // namespace

CheckResult checkBook(const CheckSettings& settings)
{
    freePages();
    default_bg[0] = '\0';
    CheckResult result;
    Analyzer analyzer(settings);

    const std::string path = bookFilePath();
    const std::string playerPath = settings.playerBook + "/pages.dat";
    if (playerPath.size() > PATH_SIZE - 1)
        analyzer.error(0, "the book's folder name is too long: the player looks for "
                              + quoted(cutTo(playerPath, PATH_SIZE)) + " and cannot open the book");

    // The end messages as the player has them before a book replaces them.
    resetEndMessages();
    SlipFinder slips;
    FactCollector facts;
    EndMessagesGiven endMessages;
    const std::optional<Problem> unread = readBook(path.c_str(), [&](const BookEvent& event) {
        analyzer.see(event);
        slips.see(event);
        facts.see(event);
        if (event.kind == BookEventKind::Entry && event.key.compare(0, 12, "end_message_") == 0)
            endMessages.given[event.key.back() - '1'] = true;
    });
    result.opened = !unread;
    std::vector<Finding> more;
    if (result.opened) {
        result.map = analyzer.mapPages();
        slips.checkPictures();
        slips.checkPageNames();
        result.facts = facts.gather();
        more = slips.takeFindings();
        const std::vector<Finding> after = findTextAfterValues(path.c_str());
        more.insert(more.end(), after.begin(), after.end());
        if (analyzer.notUtf8Lines() > 0)
            analyzer.error(0, notUtf8Advice(path));
        if (settings.font) {
            const std::vector<Finding> own = checkOwnTexts(settings.font, settings.playerBook,
                                                           endMessages);
            more.insert(more.end(), own.begin(), own.end());
        }
    } else {
        const ProblemKind kind = unread->kind;
        analyzer.error(0, kind == ProblemKind::Unreadable || kind == ProblemKind::NotFound
                              ? "cannot open the book file"
                              : "the book file " + unread->phrase);
    }
    freePages();
    result.findings = analyzer.takeFindings();
    result.findings.insert(result.findings.end(), more.begin(), more.end());
    std::stable_sort(result.findings.begin(), result.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return result;
}
