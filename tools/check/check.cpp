#include "check.h"

#include "book/book.h"
#include "encoding.h"
#include "files/linereader.h"
#include "glyphs.h"
#include "init.h"
#include "keys.h"
#include "layout.h"
#include "owntexts.h"
#include "pack.h"
#include "session.h"
#include "slips.h"
#include "text/buffers.h"
#include "text/keyvalue.h"
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

// The name of the label (Text) or target (Target) key of choice `k` (0 to 2).
std::string choiceName(int k, KeyValue value)
{
    return choiceKey(k + 1, value).name;
}

// The names of the keys that open and close a page.
// Bytes of the lines that are not UTF-8 kept to tell their encoding by:
// plenty for that, and a bound on a book of gigabytes of them.
const std::size_t NOT_UTF8_SAMPLE_BYTES = 1 << 20;

const std::string pageStart = bookKey(BookKeyId::PageStart).name;
const std::string pageEnd = bookKey(BookKeyId::PageEnd).name;

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
            error(event.line, event.key + " outside a page: ignored (no " + pageStart + " before it)");
            break;
        case BookEventKind::PageEndWithoutStart:
            warn(event.line, pageEnd + " without a " + pageStart + ": ignored");
            break;
        case BookEventKind::PageNeverEnded:
            warn(event.line, "page never ended (no " + pageEnd + " after it): the player drops it");
            break;
        case BookEventKind::UnknownPageName: // the slip finder tells of it (slips.h)
            break;
        case BookEventKind::FileNotLoaded:
            fileNotLoaded(event);
            break;
        case BookEventKind::LongLine:
            warn(event.line, "this line is " + std::to_string(event.length)
                                 + " bytes: the player reads only its first "
                                 + std::to_string(LINE_KEPT_BYTES));
            break;
        case BookEventKind::NotUtf8:
            // Enough of the bytes to tell their encoding by.
            if (notUtf8Bytes_.size() < NOT_UTF8_SAMPLE_BYTES)
                notUtf8Bytes_ += event.bytes + "\n";
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
            error(0, "the book has no page (a page runs from " + pageStart + " to " + pageEnd + ")");
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

    // The bytes of the lines that are not UTF-8, as the file holds them.
    const std::string& notUtf8Bytes() const { return notUtf8Bytes_; }

    std::vector<Finding> takeFindings()
    {
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
        return std::move(findings_);
    }

private:
    void entry(const BookEvent& event)
    {
        const BookKey& key = *event.row;
        const std::string& value = event.value;
        const int line = event.line;
        switch (key.id) {
        case BookKeyId::PageStart:
            current_ = PageLines{};
            current_.start = line;
            if (defaultBgLine_ == 0)
                error(line, "page without a background: no "
                                + std::string(bookKey(BookKeyId::DefaultBg).name) + " line before it");
            return;
        case BookKeyId::PageEnd:
            pages_.push_back(current_);
            return;
        case BookKeyId::DefaultBg:
            defaultBgLine_ = line;
            break;
        default:
            break;
        }
        if (key.value == KeyValue::Picture || key.value == KeyValue::Sound)
            checkPath(line, key.folder, value);
        if (key.value == KeyValue::Flag && value != FLAG_ON && value != FLAG_OFF)
            warn(line, key.name + (" " + quoted(value)) + " is neither " + FLAG_ON + " nor " + FLAG_OFF
                           + ": only exactly " + FLAG_ON + " " + key.flag.on + ", any other value "
                           + key.flag.off);
        if (key.value == KeyValue::Text && key.number > 0 && key.level == KeyLevel::Page) {
            current_.choices[key.number - 1].label = line;
            if (value.empty())
                warn(line, key.name + std::string(" is empty: the button shows no text"));
        }
        if (key.value == KeyValue::Target) {
            current_.choices[key.number - 1].target = line;
            current_.choices[key.number - 1].targetText = value;
        }
        if (!key.shown)
            return;
        if (key.drawn > 0)
            checkDrawnLine(line, key, value);
        else
            checkLength(line, key.name, value, key.limit);
        checkGlyphs(line, key.name, value);
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
        if (event.row->id == BookKeyId::DefaultBg) {
            // An empty path is a page before any default_bg, already reported;
            // a bad background is reported at the first page that uses it.
            if (path.empty() || !failedBackgrounds_.insert(path).second)
                return;
            what = "background " + quoted(bookRelative(path)) + " (" + event.row->name + " at line "
                   + std::to_string(defaultBgLine_) + ")";
        } else if (event.row->value == KeyValue::Sound) {
            what = "sound " + quoted(bookRelative(path));
        } else {
            what = "picture " + quoted(bookRelative(path));
        }
        error(event.line, what + " " + event.problem->phrase + lyingElsewhere(path, *event.problem));
    }

    // For a file not found: where the book's folder has one of its name.
    std::string lyingElsewhere(const std::string& path, const Problem& problem) const
    {
        if (problem.kind != ProblemKind::NotFound || !settings_.files)
            return "";
        const std::vector<std::string> found = settings_.files->namesLike(bookRelative(path));
        if (found.empty())
            return "";
        std::string places;
        for (const std::string& place : found)
            places += (places.empty() ? "" : " and at ") + quoted(place);
        return ": the player looks for it there, and the book's folder has it at " + places;
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

    // A text the page draws on one line of `key.drawn` bytes.
    void checkDrawnLine(int line, const BookKey& key, const std::string& value)
    {
        const std::size_t drawnBytes = key.drawn - 1;
        if (value.size() <= drawnBytes)
            return;
        const std::string kept = cutTo(value, key.limit);
        const std::string drawn = cutTo(kept, key.drawn);
        warn(line, key.name + (" is " + std::to_string(value.size())) + " bytes, more than the "
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
        const std::string goTo = choiceName(k, KeyValue::Target);
        const std::string label = choiceName(k, KeyValue::Text);
        if (lines.target != 0 && !shown)
            warn(lines.target, goTo + " without " + label + ": the choice is hidden");
        if (lines.target != 0 && target > pageCount)
            error(lines.target, goTo + " " + std::to_string(target) + " is past the last page ("
                                    + std::to_string(pageCount) + "): the choice ends the book");
        // Only the first choice has a way on without a target.
        if (k == 0 || !shown || target > 0)
            return;
        if (lines.target == 0)
            error(lines.label, label + " without " + goTo + ": the choice ends the book");
        else if (isPageNumber(lines.targetText)) // a name no page bears is told apart
            error(lines.target, goTo + " " + quoted(lines.targetText)
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
    std::string notUtf8Bytes_;
};

// What to tell the author of a book file whose lines `bytes` are not UTF-8.
std::string notUtf8Advice(const std::string& bytes)
{
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
    LayoutFinder layout;
    FactCollector facts;
    NamedFiles named;
    EndMessagesGiven endMessages;
    std::vector<Finding> afterValues;
    const std::optional<Problem> unread = readBook(path.c_str(), [&](const BookEvent& event) {
        analyzer.see(event);
        slips.see(event);
        layout.see(event);
        facts.see(event);
        named.see(event);
        const bool endMessage = event.row && event.row->level == KeyLevel::Book
                                && event.row->value == KeyValue::Text && event.row->number > 0;
        if (event.kind == BookEventKind::Entry && endMessage)
            endMessages.given[event.row->number - 1] = true;
        if (std::optional<Finding> after = textAfterValueFinding(event.line, event.after))
            afterValues.push_back(*after);
    });
    result.opened = !unread;
    std::vector<Finding> more;
    if (result.opened) {
        result.map = analyzer.mapPages();
        slips.checkPictures();
        slips.checkPageNames();
        result.facts = facts.gather();
        result.namedFiles = named.paths();
        more = slips.takeFindings();
        more.insert(more.end(), afterValues.begin(), afterValues.end());
        if (!analyzer.notUtf8Bytes().empty())
            analyzer.error(0, notUtf8Advice(analyzer.notUtf8Bytes()));
        if (settings.font) {
            if (settings.layout) {
                const std::vector<Finding> placed = layout.check(settings.font, &result.map);
                more.insert(more.end(), placed.begin(), placed.end());
            }
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
