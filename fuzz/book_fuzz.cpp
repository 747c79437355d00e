// The book reader on a pages.dat holding the input, with loaders that make
// tiny pictures and sounds in memory instead of reading files (and give
// nothing for some names, as the checker's loaders do for missing files).
#include "book/book.h"
#include "fuzzenv.h"
#include "init.h"
#include "media/media.h"
#include "text/buffers.h"
#include "text/utf8.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace {

// Names of odd length stand for files that cannot be loaded.
bool loadable(const char* path)
{
    return std::strlen(path) % 2 == 0;
}

std::optional<Problem> lookAt(const char* path)
{
    if (loadable(path))
        return std::nullopt;
    return Problem{ProblemKind::NotFound, path, "not found"};
}

PictureHeader lookAtPicture(const char* path)
{
    PictureHeader header;
    header.problem = lookAt(path);
    header.width = header.height = 2;
    return header;
}

SoundHeader lookAtSound(const char* path)
{
    SoundHeader header;
    header.problem = lookAt(path);
    header.channels = 1;
    header.rate = 22050;
    header.frames = 4;
    return header;
}

Result<BITMAP*> makePicture(const char*, const PictureHeader&)
{
    return {create_bitmap_ex(8, 2, 2), std::nullopt};
}

Result<SAMPLE*> makeSound(const char*, const SoundHeader&)
{
    return {create_sample(16, FALSE, 22050, 4), std::nullopt};
}

bool fits(const char* text, std::size_t size)
{
    return !text || std::strlen(text) < size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    startFuzzing();
    static bool ready = false;
    if (!ready) {
        ready = true;
        setMediaLoaders({lookAtPicture, makePicture, lookAtSound, makeSound});
        require(mkdir("books", 0755) == 0 && mkdir("books/f", 0755) == 0,
                "the book's folder can be made");
    }
    copyCut(book, sizeof book, "books/f");
    default_bg[0] = book_name[0] = '\0';
    writeInput("books/f/pages.dat", data, size);

    // Events come in line order; the names that name no page are told after
    // the whole book is read, in line order among themselves.
    int lastLine = 0;
    bool namesTold = false;
    const std::optional<Problem> unread = readBook("books/f/pages.dat", [&](const BookEvent& e) {
        require(e.line >= 1, "lines count from 1");
        const bool name = e.kind == BookEventKind::UnknownPageName;
        require(name || !namesTold, "names are told after every line");
        if (name && !namesTold) {
            namesTold = true;
            lastLine = 0;
        }
        require(e.kind == BookEventKind::PageNeverEnded || e.line >= lastLine,
                "events come in line order");
        require(e.page >= -1 && e.page <= static_cast<int>(gamedataPages.size()),
                "the page index is the one being read");
        require(!name || (e.page >= 0 && e.page < static_cast<int>(gamedataPages.size())),
                "a name that names no page is told for a page that was kept");
        require((e.kind == BookEventKind::FileNotLoaded) == e.problem.has_value(),
                "a file not loaded, and only that, comes with its problem");
        if (e.kind != BookEventKind::PageNeverEnded)
            lastLine = e.line;
    });
    // A file that looks saved as UTF-16 by its first 256 bytes is refused,
    // saying so; every other file is read.
    const std::string_view head(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 256));
    if (looksLikeUtf16(head)) {
        require(unread && unread->phrase.find("UTF-16") != std::string::npos,
                "a book saved as UTF-16 is refused, saying so");
        freePages();
        return 0;
    }
    require(!unread, "the book file that is there is read");
    for (const Gamedata* page : gamedataPages) {
        require(page != nullptr, "every page has a record");
        require(fits(page->roomName, LABEL_SIZE) && fits(page->but1Text, LABEL_SIZE)
                    && fits(page->but2Text, LABEL_SIZE) && fits(page->but3Text, LABEL_SIZE)
                    && fits(page->getText(), TEXT_SIZE),
                "texts fit their buffers");
        require(fits(page->backgroundPath, PATH_SIZE) && fits(page->picoPath, PATH_SIZE)
                    && fits(page->soundPath, PATH_SIZE),
                "paths fit their buffers");
        require(!page->picoPath || (page->getPico() != nullptr) == loadable(page->picoPath),
                "the illustration is the loader's");
    }
    require(std::strlen(default_bg) < sizeof default_bg && std::strlen(book_name) < sizeof book_name,
            "book-level values fit their buffers");
    freePages();
    require(heldPictureCount() == 0 && heldSoundCount() == 0,
            "freeing the pages gives back every picture and sound");
    return 0;
}
