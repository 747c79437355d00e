#include "book/reload.h"

#include "book/book.h"
#include "init.h"
#include "media/media.h"

#include <cstring>
#include <vector>

namespace {

// The book-level values a reading sets, kept to be put back.
struct BookValues {
    char defaultBg[sizeof default_bg];
    char bookName[sizeof book_name];
    char endMessages[3][sizeof end_message_1];

    void save()
    {
        std::memcpy(defaultBg, default_bg, sizeof defaultBg);
        std::memcpy(bookName, book_name, sizeof bookName);
        std::memcpy(endMessages[0], end_message_1, sizeof endMessages[0]);
        std::memcpy(endMessages[1], end_message_2, sizeof endMessages[1]);
        std::memcpy(endMessages[2], end_message_3, sizeof endMessages[2]);
    }

    void restore() const
    {
        std::memcpy(default_bg, defaultBg, sizeof defaultBg);
        std::memcpy(book_name, bookName, sizeof bookName);
        std::memcpy(end_message_1, endMessages[0], sizeof endMessages[0]);
        std::memcpy(end_message_2, endMessages[1], sizeof endMessages[1]);
        std::memcpy(end_message_3, endMessages[2], sizeof endMessages[2]);
    }
};

} // namespace

std::optional<Problem> rereadBook()
{
    std::vector<Gamedata*> previous;
    previous.swap(gamedataPages);
    Gamedata* previousRecord = gamedata;
    BookValues values;
    values.save();

    const std::string path = bookFilePath();
    // A file that cannot be loaded fails the new reading, not the program.
    decodeMediaAnew();
    std::optional<Problem> failed;
    const std::optional<Problem> unread = readBook(path.c_str(), [&](const BookEvent& event) {
        if (event.kind == BookEventKind::FileNotLoaded && !failed)
            failed = Problem{event.problem->kind, path,
                             event.key + " " + quoted(event.value) + " cannot be loaded",
                             event.line};
    });
    if (unread)
        failed = Problem{unread->kind, path, "the book file cannot be opened"};
    else if (!failed && gamedataPages.empty())
        failed = Problem{ProblemKind::Damaged, path, "the book holds no page"};

    if (failed) {
        freePages();
        gamedataPages.swap(previous);
        gamedata = previousRecord;
        values.restore();
        return failed;
    }
    for (Gamedata* page : previous)
        delete page;
    return std::nullopt;
}
