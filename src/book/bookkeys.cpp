#include "book/bookkeys.h"

#include "text/buffers.h"

namespace {

using Id = BookKeyId;
using Level = KeyLevel;
using Value = KeyValue;

const FlagMeaning NO_FLAG = {nullptr, nullptr};

BookKey text(const char* name, Id id, Level level, int number, std::size_t limit, bool shown)
{
    return {name, id, level, Value::Text, number, limit, 0, shown, nullptr, NO_FLAG};
}

BookKey file(const char* name, Id id, Level level, Value value, const char* folder)
{
    return {name, id, level, value, 0, PATH_SIZE, 0, false, folder, NO_FLAG};
}

BookKey target(const char* name, Id id, int choice)
{
    return {name, id, Level::Page, Value::Target, choice, 0, 0, false, nullptr, NO_FLAG};
}

} // namespace

const std::vector<BookKey>& bookKeys()
{
    static const std::vector<BookKey> keys = {
        text("book_name", Id::BookName, Level::Book, 0, LABEL_SIZE, false),
        file("default_bg", Id::DefaultBg, Level::Book, Value::Picture, "/pico/"),
        text("end_message_1", Id::EndMessage1, Level::Book, 1, LABEL_SIZE, true),
        text("end_message_2", Id::EndMessage2, Level::Book, 2, LABEL_SIZE, true),
        text("end_message_3", Id::EndMessage3, Level::Book, 3, LABEL_SIZE, true),
        {"page_start", Id::PageStart, Level::PageBound, Value::PageName, 0, 0, 0, false, nullptr,
         NO_FLAG},
        {"room_name", Id::RoomName, Level::Page, Value::Text, 0, LABEL_SIZE, DRAWN_LINE_SIZE, true,
         nullptr, NO_FLAG},
        text("but1_text", Id::But1Text, Level::Page, 1, LABEL_SIZE, true),
        target("but1_goto", Id::But1Goto, 1),
        text("but2_text", Id::But2Text, Level::Page, 2, LABEL_SIZE, true),
        target("but2_goto", Id::But2Goto, 2),
        text("but3_text", Id::But3Text, Level::Page, 3, LABEL_SIZE, true),
        target("but3_goto", Id::But3Goto, 3),
        text("text_main", Id::TextMain, Level::Page, 0, TEXT_SIZE, true),
        file("pico_name", Id::PicoName, Level::Page, Value::Picture, "/pico/"),
        file("sound_name", Id::SoundName, Level::Page, Value::Sound, "/audio/"),
        {"sound_loop", Id::SoundLoop, Level::Page, Value::Flag, 0, 0, 0, false, nullptr,
         {"plays the sound once", "loops it"}},
        {"page_end", Id::PageEnd, Level::PageBound, Value::Nothing, 0, 0, 0, false, nullptr,
         NO_FLAG},
    };
    return keys;
}

const BookKey* findBookKey(std::string_view name)
{
    return findRowNamed(bookKeys(), name);
}

const BookKey& bookKey(BookKeyId id)
{
    for (const BookKey& key : bookKeys())
        if (key.id == id)
            return key;
    return bookKeys().front(); // every id has its row
}

const BookKey& choiceKey(int choice, KeyValue value)
{
    for (const BookKey& key : bookKeys())
        if (key.number == choice && key.value == value && key.level == KeyLevel::Page)
            return key;
    return bookKeys().front(); // every choice has its label and target
}
