#include "book/book.h"

#include "book/bookkeys.h"
#include "files/bookfile.h"
#include "files/linereader.h"
#include "init.h"
#include "text/buffers.h"
#include "text/keyvalue.h"
#include "text/target.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

std::vector<Gamedata*>& gamedataPages = *new std::vector<Gamedata*>;
int cur_page = 0;
Gamedata* gamedata = nullptr;
char default_bg[PATH_SIZE];
char book_name[LABEL_SIZE];

namespace {

// `book` + folder + file name, cut to a path buffer.
std::string bookPath(const char* folder, const std::string& fileName)
{
    char path[PATH_SIZE];
    copyCut(path, sizeof path, book);
    appendCut(path, sizeof path, folder);
    appendCut(path, sizeof path, fileName.c_str());
    return path;
}

// The buffer of end message `number` (1 to 3).
char* endMessage(int number)
{
    char* const messages[] = {end_message_1, end_message_2, end_message_3};
    return messages[number - 1];
}

// The state of one reading of a book file.
class Reader {
public:
    explicit Reader(const BookObserver& observer) : observer_(observer) {}

    // Tells of a line whose bytes (`bytes`, as the file holds them) were not
    // all valid UTF-8, unless it is a comment, which nobody sees.
    void notUtf8(int number, const std::string& line, const std::string& bytes)
    {
        startLine(number);
        std::string_view key, value;
        if (splitKeyValue(line, key, value) == LineKind::Comment || !observer_)
            return;
        BookEvent event = eventOf(BookEventKind::NotUtf8, "", encrCyr(line));
        event.bytes = bytes;
        observer_(event);
    }

    // Tells of a line of `length` bytes, of which only the first were kept.
    void longLine(int number, long long length)
    {
        startLine(number);
        if (!observer_)
            return;
        BookEvent event = eventOf(BookEventKind::LongLine, "", "");
        event.length = length;
        observer_(event);
    }

    void readLine(int number, const std::string& line)
    {
        startLine(number);
        std::string_view key, value;
        switch (splitKeyValue(line, key, value)) {
        case LineKind::Entry:
            row_ = findBookKey(key);
            after_ = encrCyr(std::string(textAfterValue(line, value)));
            apply(key, encrCyr(std::string(value)), value);
            break;
        case LineKind::Invalid:
            if (line.find_first_not_of(" \t") != std::string::npos)
                tell(BookEventKind::InvalidLine, "", encrCyr(line));
            break;
        case LineKind::Comment:
            break;
        }
    }

    // Drops a page that was started and never ended, with the targets it
    // named: the index they hold goes to the next page, or at the end of
    // the file to none.
    void finish()
    {
        if (open_) {
            if (observer_) {
                const BookKey& start = bookKey(BookKeyId::PageStart);
                BookEvent event = eventOf(BookEventKind::PageNeverEnded, start.name, "");
                event.line = openedAt_;
                event.row = &start;
                event.after.clear();
                observer_(event);
            }
            forgetNamedTargets(static_cast<int>(gamedataPages.size()));
            delete gamedata;
            gamedata = nullptr;
            open_ = false;
        }
    }

    // Turns the targets that name a page into that page's number, now that
    // every page and its name is known.
    void resolveNames()
    {
        if (namedTargets_.empty())
            return;
        // Each name looked up once in a map, not in every page: a book of
        // many named targets costs time in proportion to its size.
        const std::unordered_map<std::string_view, int> pageOfName = namedPages();
        for (const NamedTarget& target : namedTargets_) {
            Gamedata* page = gamedataPages[static_cast<std::size_t>(target.page)];
            const auto named = pageOfName.find(target.name);
            if (named != pageOfName.end()) {
                page->setButGoto(target.choice, named->second + 1);
            } else if (observer_) {
                startLine(target.line);
                row_ = &choiceKey(target.choice, KeyValue::Target);
                BookEvent event = eventOf(BookEventKind::UnknownPageName, row_->name, target.name);
                event.page = target.page;
                observer_(event);
            }
        }
        namedTargets_.clear();
    }

private:
    void startLine(int number)
    {
        line_ = number;
        row_ = nullptr;
        after_.clear();
    }

    // Applies an entry whose key is `name` (row_ its row, or null) and whose
    // value is `raw` as the line reader gave it, `text` narrowed.
    void apply(std::string_view name, const std::string& text, std::string_view raw)
    {
        if (!row_) {
            tell(BookEventKind::UnknownKey, name, text);
            return;
        }
        const BookKey& key = *row_;
        if (key.level == KeyLevel::Page && !open_) {
            tell(BookEventKind::OutsidePage, name, text);
            return;
        }
        if (key.id == BookKeyId::PageEnd && !open_) {
            tell(BookEventKind::PageEndWithoutStart, name, text);
            return;
        }
        if (key.id == BookKeyId::PageStart) {
            finish();
            gamedata = new Gamedata;
            open_ = true;
            openedAt_ = line_;
        }
        tell(BookEventKind::Entry, name, text);
        switch (key.id) {
        case BookKeyId::BookName: copyCut(book_name, sizeof book_name, text.c_str()); break;
        case BookKeyId::DefaultBg:
            copyCut(default_bg, sizeof default_bg, bookPath(key.folder, text).c_str());
            defaultBgOutside_ = outside(key, default_bg);
            break;
        case BookKeyId::EndMessage1:
        case BookKeyId::EndMessage2:
        case BookKeyId::EndMessage3:
            copyCut(endMessage(key.number), LABEL_SIZE, text.c_str());
            break;
        case BookKeyId::PageStart:
            gamedata->setPageName(text.c_str());
            tellNotLoaded(gamedata->setBackground(default_bg, defaultBgOutside_),
                          bookKey(BookKeyId::DefaultBg),
                          default_bg);
            break;
        case BookKeyId::RoomName: gamedata->setRoomName(text.c_str()); break;
        case BookKeyId::But1Text:
        case BookKeyId::But2Text:
        case BookKeyId::But3Text:
            gamedata->setButText(key.number, text.c_str());
            break;
        case BookKeyId::But1Goto:
        case BookKeyId::But2Goto:
        case BookKeyId::But3Goto: {
            // Targets keep the line reader's form: only their digits matter.
            const std::string rawValue(raw);
            gamedata->setButGoto(key.number, readPageNumber(rawValue));
            noteNamedTarget(key.number, rawValue, text);
            break;
        }
        case BookKeyId::TextMain: gamedata->setText(text.c_str()); break;
        case BookKeyId::PicoName: {
            const std::string path = bookPath(key.folder, text);
            tellNotLoaded(gamedata->setPico(path.c_str(), outside(key, path)), key, path);
            break;
        }
        case BookKeyId::SoundName: {
            const std::string path = bookPath(key.folder, text);
            tellNotLoaded(gamedata->setSound(path.c_str(), outside(key, path)), key, path);
            break;
        }
        case BookKeyId::SoundLoop: gamedata->setSoundLoop(text.c_str()); break;
        case BookKeyId::PageEnd:
            gamedataPages.push_back(gamedata);
            open_ = false;
            break;
        }
    }

    // A target is a page number, read as atoi reads it, or a page's name,
    // kept to be turned into a number once every page is known. Until then,
    // and for good when no page bears the name, it reads as a number: 0.
    void noteNamedTarget(int choice, const std::string& raw, const std::string& text)
    {
        if (!isPageNumber(raw))
            namedTargets_.push_back({static_cast<int>(gamedataPages.size()), choice, text, line_});
    }

    // Forgets the named targets of the page at index `page`, which is
    // being dropped.
    void forgetNamedTargets(int page)
    {
        // Targets are noted in the order of their pages: the dropped page's
        // are the last ones.
        while (!namedTargets_.empty() && namedTargets_.back().page == page)
            namedTargets_.pop_back();
    }

    // Why the file at `path`, named with `key`, lies outside the book's
    // folder for it and is not to be read; empty when it lies inside.
    static std::optional<Problem> outside(const BookKey& key, const std::string& path)
    {
        return outsideFolderProblem(bookPath(key.folder, ""), path);
    }

    // Tells of a file at `path`, named on this line with `key`, that could
    // not be loaded, when there is a `problem`.
    void tellNotLoaded(const std::optional<Problem>& problem, const BookKey& key,
                       const std::string& path)
    {
        if (!problem || !observer_)
            return;
        BookEvent event = eventOf(BookEventKind::FileNotLoaded, key.name, path);
        event.row = &key;
        event.after.clear();
        event.problem = problem;
        observer_(event);
    }

    void tell(BookEventKind kind, std::string_view key, const std::string& value)
    {
        if (observer_)
            observer_(eventOf(kind, key, value));
    }

    // An event of this line, of the page being read (or of none).
    BookEvent eventOf(BookEventKind kind, std::string_view key, const std::string& value) const
    {
        BookEvent event;
        event.line = line_;
        event.kind = kind;
        event.key = std::string(key);
        event.value = value;
        event.page = open_ ? static_cast<int>(gamedataPages.size()) : -1;
        event.row = row_;
        event.after = after_;
        return event;
    }

    struct NamedTarget {
        int page;          // index of the page whose choice it is
        int choice;        // 1 to 3
        std::string name;  // narrowed to the file's own bytes
        int line;
    };

    const BookObserver& observer_;
    std::vector<NamedTarget> namedTargets_;
    int line_ = 0;
    const BookKey* row_ = nullptr; // the row of this line's key, when the file knows it
    std::string after_;            // this entry's text after its ';', narrowed
    bool open_ = false;
    int openedAt_ = 0;
    // Why default_bg, when it lies outside the book, is not to be read.
    std::optional<Problem> defaultBgOutside_;
};

// A page's text written over several lines: a line that begins
// "text_main:" and holds no ';', then the lines of its text, the last ending
// it with ';'. Lines next to one another make one paragraph (joined with a
// space, as an author wraps them); an empty line between them begins the
// next paragraph, which the page shows on a line of its own.
//
// Such a text has nowhere been written before: its first line, lacking its
// ';', was skipped, and so were the lines after it, each with a warning, and
// the text was lost. So the run is taken only as that: a line that begins
// with a key of the book file, the end of the file, or a run past
// TEXT_RUN_LINES lines or LINE_KEPT_BYTES bytes ends it unfinished, and its
// lines are then read one by one as they always were.
//
// What the file reader noticed of a line (too long, not UTF-8) is kept with
// the line and told when the line is read, so that events stay in line
// order whichever way the run ends.
struct LineNotice {
    long long longLength = 0;   // above 0: the line was this long, past what is kept
    bool notUtf8 = false;
    std::string bytes;          // for notUtf8: the line's bytes as the file holds them
};

struct RunLine {
    int number;
    std::string text;
    LineNotice notice;
};

class TextRun {
public:
    // The lines a run may span, its first and last included.
    static const std::size_t TEXT_RUN_LINES = 200;

    bool active() const { return !lines_.empty(); }

    // Whether `line` begins a run.
    static bool begins(const std::string& line)
    {
        return line.rfind(PREFIX, 0) == 0 && line.find(';') == std::string::npos;
    }

    void begin(int number, const std::string& line, const LineNotice& notice)
    {
        lines_.assign(1, {number, line, notice});
        bytes_ = line.size();
    }

    // Takes the next line of an active run. Returns false, leaving the run
    // as it was, when the line cannot be part of it.
    bool add(int number, const std::string& line, const LineNotice& notice)
    {
        const std::size_t colon = line.find(':');
        const std::size_t semicolon = line.find(';');
        if (colon != std::string::npos && (semicolon == std::string::npos || colon < semicolon)
            && findBookKey(trimmed(line.substr(0, colon))))
            return false;
        if (lines_.size() >= TEXT_RUN_LINES || bytes_ + line.size() > LINE_KEPT_BYTES)
            return false;
        lines_.push_back({number, line, notice});
        bytes_ += line.size();
        return true;
    }

    // Whether the last line taken ended the run.
    bool ended() const { return lines_.size() > 1 && lines_.back().text.find(';') != std::string::npos; }

    // The run as one line of the book file, its paragraphs parted by '\n',
    // and the number of its first line.
    std::pair<int, std::string> joined() const
    {
        std::string text;
        bool paragraphEnded = false;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            std::string part = i == 0 ? lines_[i].text.substr(PREFIX.size()) : lines_[i].text;
            const bool last = i + 1 == lines_.size();
            std::string after;
            if (last) {
                after = part.substr(part.find(';'));
                part.erase(part.find(';'));
            }
            part = trimmed(part);
            if (part.empty()) {
                paragraphEnded = !text.empty();
            } else {
                if (!text.empty())
                    text += paragraphEnded ? "\n" : " ";
                text += part;
                paragraphEnded = false;
            }
            if (last)
                return {lines_.front().number, std::string(PREFIX) + text + after};
        }
        return {lines_.front().number, ""};
    }

    // The lines taken, each with its number and notice, and forgets them.
    std::vector<RunLine> release()
    {
        std::vector<RunLine> lines;
        lines.swap(lines_);
        bytes_ = 0;
        return lines;
    }

private:
    static constexpr std::string_view PREFIX = "text_main:";

    static std::string trimmed(const std::string& text)
    {
        const std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos)
            return "";
        return text.substr(first, text.find_last_not_of(" \t") - first + 1);
    }

    std::vector<RunLine> lines_;
    std::size_t bytes_ = 0;
};

} // namespace

std::optional<Problem> readBook(const char* path, const BookObserver& observer,
                                const BookProgress& progress)
{
    LineReader file(path);
    if (!file.isOpen())
        return file.problem();
    // Lines between two reports of progress: often enough for a bar to
    // move smoothly, seldom enough to cost nothing.
    const int LINES_PER_REPORT = 512;
    const long long total = file.size();
    long long done = 0;
    Reader reader(observer);
    TextRun run;
    const auto tell = [&](int number, const std::string& text, const LineNotice& notice) {
        if (notice.longLength > 0)
            reader.longLine(number, notice.longLength);
        if (notice.notUtf8)
            reader.notUtf8(number, text, notice.bytes);
    };
    // An unfinished run's lines are read as single lines after all.
    auto readUnfinished = [&] {
        for (const RunLine& taken : run.release()) {
            tell(taken.number, taken.text, taken.notice);
            reader.readLine(taken.number, taken.text);
        }
    };
    std::string line;
    for (int number = 1; file.next(line); ++number) {
        LineNotice notice;
        if (file.lastLineLength() > static_cast<long long>(LINE_KEPT_BYTES))
            notice.longLength = file.lastLineLength();
        if (!file.lastLineWasUtf8()) {
            notice.notUtf8 = true;
            notice.bytes = file.lastLineBytes();
        }
        bool taken = false; // by the run of a page's text
        if (run.active()) {
            taken = run.add(number, line, notice);
            if (!taken) {
                readUnfinished();
            } else if (run.ended()) {
                const auto [at, text] = run.joined();
                const std::vector<RunLine> lines = run.release();
                tell(lines.front().number, lines.front().text, lines.front().notice);
                reader.readLine(at, text);
                for (std::size_t i = 1; i < lines.size(); ++i)
                    tell(lines[i].number, lines[i].text, lines[i].notice);
            }
        }
        if (!taken && TextRun::begins(line)) {
            run.begin(number, line, notice);
        } else if (!taken) {
            tell(number, line, notice);
            reader.readLine(number, line);
        }
        done += file.lastLineLength() + 1;
        if (progress && number % LINES_PER_REPORT == 0 && !progress(std::min(done, total), total)) {
            reader.finish();
            freePages();
            return std::nullopt;
        }
    }
    readUnfinished();
    reader.finish();
    if (std::optional<Problem> cut = file.readProblem()) {
        // What was read of a damaged entry is not the book.
        freePages();
        return cut;
    }
    reader.resolveNames();
    return std::nullopt;
}

std::string bookFilePath()
{
    char path[PATH_SIZE];
    copyCut(path, sizeof path, book);
    appendCut(path, sizeof path, "/pages.dat");
    return path;
}

int pageAfterChoice(int pageIndex, int choice, int target, int pageCount)
{
    if (choice < 1 || choice > CHOICES_PER_PAGE)
        return BOOK_ENDS;
    // Kept wide: the next page after INT_MAX - 1 must not wrap, nor INT_MIN - 1.
    long long next;
    if (target > 0)
        next = static_cast<long long>(target) - 1;
    else if (choice == 1)
        next = static_cast<long long>(pageIndex) + 1;
    else
        return BOOK_ENDS;
    if (next < 0 || next >= pageCount)
        return BOOK_ENDS;
    return static_cast<int>(next);
}

int pageAfterChoice(int pageIndex, int choice)
{
    const int pageCount = static_cast<int>(gamedataPages.size());
    if (pageIndex < 0 || pageIndex >= pageCount)
        return BOOK_ENDS;
    return pageAfterChoice(pageIndex, choice, gamedataPages[pageIndex]->getButGoto(choice),
                           pageCount);
}

void freePages()
{
    for (Gamedata* page : gamedataPages)
        delete page;
    gamedataPages.clear();
    gamedata = nullptr;
}

std::unordered_map<std::string_view, int> namedPages()
{
    std::unordered_map<std::string_view, int> pages;
    pages.reserve(gamedataPages.size());
    for (std::size_t i = 0; i < gamedataPages.size(); ++i)
        if (const char* name = gamedataPages[i]->pageName)
            pages.emplace(name, static_cast<int>(i)); // the first page of a name keeps it
    return pages;
}

int findNamedPage(const std::string& name)
{
    for (std::size_t i = 0; i < gamedataPages.size(); ++i) {
        const char* pageName = gamedataPages[i]->pageName;
        if (pageName && name == pageName)
            return static_cast<int>(i);
    }
    return -1;
}
