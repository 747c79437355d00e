#include "book/book.h"

#include "init.h"
#include "text/buffers.h"
#include "text/keyvalue.h"
#include "text/target.h"

#include <algorithm>
#include <cstring>

std::vector<Gamedata*>& gamedataPages = *new std::vector<Gamedata*>;
int cur_page = 0;
Gamedata* gamedata = nullptr;
char default_bg[PATH_SIZE];
char book_name[LABEL_SIZE];

namespace {

enum class Key {
    BookName, DefaultBg, EndMessage1, EndMessage2, EndMessage3,
    PageStart, RoomName, But1Text, But1Goto, But2Text, But2Goto,
    But3Text, But3Goto, TextMain, PicoName, SoundName, SoundLoop, PageEnd,
    Unknown,
};

struct KeyName {
    const char* name;
    Key key;
};

// In the order the reader compares them, book-level keys first.
const KeyName keyNames[] = {
    {"book_name", Key::BookName},     {"default_bg", Key::DefaultBg},
    {"end_message_1", Key::EndMessage1}, {"end_message_2", Key::EndMessage2},
    {"end_message_3", Key::EndMessage3}, {"page_start", Key::PageStart},
    {"room_name", Key::RoomName},     {"but1_text", Key::But1Text},
    {"but1_goto", Key::But1Goto},     {"but2_text", Key::But2Text},
    {"but2_goto", Key::But2Goto},     {"but3_text", Key::But3Text},
    {"but3_goto", Key::But3Goto},     {"text_main", Key::TextMain},
    {"pico_name", Key::PicoName},     {"sound_name", Key::SoundName},
    {"sound_loop", Key::SoundLoop},   {"page_end", Key::PageEnd},
};

Key keyOf(std::string_view name)
{
    for (const KeyName& k : keyNames)
        if (name == k.name)
            return k.key;
    return Key::Unknown;
}

bool isPageLevel(Key key)
{
    return key >= Key::RoomName && key <= Key::SoundLoop;
}

// `book` + folder + file name, cut to a path buffer.
std::string bookPath(const char* folder, const std::string& fileName)
{
    char path[PATH_SIZE];
    copyCut(path, sizeof path, book);
    appendCut(path, sizeof path, folder);
    appendCut(path, sizeof path, fileName.c_str());
    return path;
}

// The state of one reading of a book file.
class Reader {
public:
    explicit Reader(const BookObserver& observer) : observer_(observer) {}

    // Tells of a line whose bytes were not all valid UTF-8, unless it is a
    // comment, which nobody sees.
    void notUtf8(int number, const std::string& line)
    {
        line_ = number;
        std::string_view key, value;
        if (splitKeyValue(line, key, value) != LineKind::Comment)
            tell(BookEventKind::NotUtf8, "", encrCyr(line));
    }

    void readLine(int number, const std::string& line)
    {
        line_ = number;
        std::string_view key, value;
        switch (splitKeyValue(line, key, value)) {
        case LineKind::Entry:
            apply(keyOf(key), key, encrCyr(std::string(value)), value);
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
            tellAt(openedAt_, BookEventKind::PageNeverEnded, "page_start", "");
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
        for (const NamedTarget& target : namedTargets_) {
            Gamedata* page = gamedataPages[static_cast<std::size_t>(target.page)];
            const int found = findNamedPage(target.name);
            if (found >= 0)
                page->setButGoto(target.choice, found + 1);
            else if (observer_)
                observer_(BookEvent{target.line, BookEventKind::UnknownPageName,
                                    "but" + std::to_string(target.choice) + "_goto", target.name,
                                    target.page, std::nullopt});
        }
        namedTargets_.clear();
    }

private:
    void apply(Key key, std::string_view name, const std::string& text, std::string_view raw)
    {
        if (key == Key::Unknown) {
            tell(BookEventKind::UnknownKey, name, text);
            return;
        }
        if (isPageLevel(key) && !open_) {
            tell(BookEventKind::OutsidePage, name, text);
            return;
        }
        if (key == Key::PageEnd && !open_) {
            tell(BookEventKind::PageEndWithoutStart, name, text);
            return;
        }
        if (key == Key::PageStart) {
            finish();
            gamedata = new Gamedata;
            open_ = true;
            openedAt_ = line_;
        }
        tell(BookEventKind::Entry, name, text);
        // Targets keep the line reader's form: only their digits matter.
        const std::string rawValue(raw);
        switch (key) {
        case Key::BookName: copyCut(book_name, sizeof book_name, text.c_str()); break;
        case Key::DefaultBg:
            copyCut(default_bg, sizeof default_bg, bookPath("/pico/", text).c_str());
            break;
        case Key::EndMessage1: copyCut(end_message_1, sizeof end_message_1, text.c_str()); break;
        case Key::EndMessage2: copyCut(end_message_2, sizeof end_message_2, text.c_str()); break;
        case Key::EndMessage3: copyCut(end_message_3, sizeof end_message_3, text.c_str()); break;
        case Key::PageStart:
            gamedata->setPageName(text.c_str());
            tellNotLoaded(gamedata->setBackground(default_bg), "default_bg", default_bg);
            break;
        case Key::RoomName: gamedata->setRoomName(text.c_str()); break;
        case Key::But1Text: gamedata->setBut1Text(text.c_str()); break;
        case Key::But1Goto:
            gamedata->setBut1Goto(rawValue.c_str());
            noteNamedTarget(1, rawValue, text);
            break;
        case Key::But2Text: gamedata->setBut2Text(text.c_str()); break;
        case Key::But2Goto:
            gamedata->setBut2Goto(rawValue.c_str());
            noteNamedTarget(2, rawValue, text);
            break;
        case Key::But3Text: gamedata->setBut3Text(text.c_str()); break;
        case Key::But3Goto:
            gamedata->setBut3Goto(rawValue.c_str());
            noteNamedTarget(3, rawValue, text);
            break;
        case Key::TextMain: gamedata->setText(text.c_str()); break;
        case Key::PicoName: {
            const std::string path = bookPath("/pico/", text);
            tellNotLoaded(gamedata->setPico(path.c_str()), name, path);
            break;
        }
        case Key::SoundName: {
            const std::string path = bookPath("/audio/", text);
            tellNotLoaded(gamedata->setSound(path.c_str()), name, path);
            break;
        }
        case Key::SoundLoop: gamedata->setSoundLoop(text.c_str()); break;
        case Key::PageEnd:
            gamedataPages.push_back(gamedata);
            open_ = false;
            break;
        case Key::Unknown: break;
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
        namedTargets_.erase(std::remove_if(namedTargets_.begin(), namedTargets_.end(),
                                           [page](const NamedTarget& t) { return t.page == page; }),
                            namedTargets_.end());
    }

    // Tells of a file at `path`, named on a line with `key`, that could not
    // be loaded, when there is a `problem`.
    void tellNotLoaded(const std::optional<Problem>& problem, std::string_view key,
                       const std::string& path)
    {
        if (problem)
            tellAt(line_, BookEventKind::FileNotLoaded, key, path, problem);
    }

    void tell(BookEventKind kind, std::string_view key, const std::string& value)
    {
        tellAt(line_, kind, key, value);
    }

    void tellAt(int line, BookEventKind kind, std::string_view key, const std::string& value,
                const std::optional<Problem>& problem = std::nullopt)
    {
        if (!observer_)
            return;
        const int page = open_ ? static_cast<int>(gamedataPages.size()) : -1;
        observer_(BookEvent{line, kind, std::string(key), value, page, problem});
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
    bool open_ = false;
    int openedAt_ = 0;
};

} // namespace

std::optional<Problem> readBook(const char* path, const BookObserver& observer,
                                const BookProgress& progress)
{
    LineReader file(path);
    if (!file.isOpen())
        return fileKindProblem(file.kind(), path);
    // Lines between two reports of progress: often enough for a bar to
    // move smoothly, seldom enough to cost nothing.
    const int LINES_PER_REPORT = 512;
    const long long total = progress ? file_size_ex(path) : 0;
    long long done = 0;
    Reader reader(observer);
    std::string line;
    for (int number = 1; file.next(line); ++number) {
        if (!file.lastLineWasUtf8())
            reader.notUtf8(number, line);
        reader.readLine(number, line);
        done += static_cast<long long>(line.size()) + 1; // a wide byte counts twice: near enough
        if (progress && number % LINES_PER_REPORT == 0 && !progress(std::min(done, total), total)) {
            reader.finish();
            freePages();
            return std::nullopt;
        }
    }
    reader.finish();
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

std::vector<std::string> bookKeyNames()
{
    std::vector<std::string> names;
    for (const KeyName& k : keyNames)
        names.push_back(k.name);
    return names;
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
