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

bool rereadBook(std::string& where, std::string& what)
{
    std::vector<Gamedata*> previous;
    previous.swap(gamedataPages);
    Gamedata* previousRecord = gamedata;
    BookValues values;
    values.save();

    const std::string path = bookFilePath();
    where = path;
    what.clear();
    // The player's decoders without the fatal end of loadPico and loadAudio:
    // a file that cannot be loaded fails the new reading, not the program.
    decodeMediaAnew();
    setMediaLoaders(quietMediaLoaders());
    const bool opened = readBook(path.c_str(), [&](const BookEvent& event) {
        if (event.kind == BookEventKind::FileNotLoaded && what.empty()) {
            where = path + ":" + std::to_string(event.line);
            what = event.key + " \"" + event.value + "\" cannot be loaded";
        }
    });
    setMediaLoaders(playerMediaLoaders());
    if (!opened)
        what = "the book file cannot be opened";
    else if (what.empty() && gamedataPages.empty())
        what = "the book holds no page";

    if (!what.empty()) {
        freePages();
        gamedataPages.swap(previous);
        gamedata = previousRecord;
        values.restore();
        return false;
    }
    for (Gamedata* page : previous)
        delete page;
    return true;
}
