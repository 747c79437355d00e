// The shelf's screen: see shelfscreen.h. Its loop is the title menu's: the
// reader's keys read as commands (input/readerinput.h) before the dialog
// manager's pass, the pointer followed for the focus, what changed shown
// once a pass, then a rest. The list is the library's own list box, whose
// selection (d1) and first shown row (d2) the keys move as its own keys
// would.
#include "shelf/shelfscreen.h"

#include "app/language.h"
#include "app/startfiles.h"
#include "init.h"
#include "input/readerinput.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "screen/focus.h"
#include "screen/keyhelp.h"
#include "screen/window.h"
#include "speech/readaloud.h"

#include <allegro.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

char headingLabel[] = N_("Your Books");
char readLabel[] = N_("Read");
char openLabel[] = N_("Open a Book…");
char quitLabel[] = N_("Quit");
const char* const pageFormat = N_("page %d");
const char* const demoNote = N_(" (demo)");
const char* const selectorTitle = N_("Open a book: its pages.dat, or a .zip");

// The buttons' face, as on the title menu: blue at every colour depth.
const int BUTTON_BG = 255;

enum { SHELF_CLEAR, SHELF_HEADING, SHELF_LIST, SHELF_READ, SHELF_OPEN, SHELF_QUIT };

// The lines the list shows, one per book, made when the screen opens.
std::vector<std::string> lines;

const char* listLine(int index, int* size)
{
    if (index < 0) {
        *size = static_cast<int>(lines.size());
        return nullptr;
    }
    return index < static_cast<int>(lines.size()) ? lines[static_cast<std::size_t>(index)].c_str()
                                                  : nullptr;
}

DIALOG dialogShelf[] = {
    // proc, x, y, w, h, fg, bg, key, flags, d1, d2, dp, dp2, dp3
    {d_clear_proc, 0, 0, LOGICAL_W, LOGICAL_H, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
    {d_ctext_proc, LOGICAL_W / 2, 12, 0, 16, 0, -1, 0, 0, 0, 0, headingLabel, nullptr, nullptr},
    {d_list_proc, 20, 40, 600, 348, 0, 0, 0, D_EXIT, 0, 0, reinterpret_cast<void*>(listLine), nullptr, nullptr},
    {reader_button_proc, 20, 408, 184, 40, 0, BUTTON_BG, 0, 0, 0, 0, readLabel, nullptr, nullptr},
    {reader_button_proc, 228, 408, 184, 40, 0, BUTTON_BG, 0, 0, 0, 0, openLabel, nullptr, nullptr},
    {reader_button_proc, 436, 408, 184, 40, 0, BUTTON_BG, 0, D_EXIT, 0, 0, quitLabel, nullptr, nullptr},
    {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
};

DIALOG* const list = &dialogShelf[SHELF_LIST];

// Rows the list box shows at once, as the library's list box counts them.
int shownRows()
{
    return std::max(1, (list->h - 4) / text_height(font));
}

// Selects row `row` (kept within the list) and scrolls it into sight.
void selectRow(int row)
{
    const int count = static_cast<int>(lines.size());
    if (count == 0)
        return;
    row = std::clamp(row, 0, count - 1);
    list->d1 = row;
    if (row < list->d2)
        list->d2 = row;
    if (row >= list->d2 + shownRows())
        list->d2 = row - shownRows() + 1;
    list->flags |= D_DIRTY;
}

// What the screen says when it opens or is asked again: its heading, then
// the selected book, or the focused button.
std::vector<std::string> shelfSaid(DIALOG_PLAYER* player)
{
    std::vector<std::string> said = {tr(headingLabel)};
    const int focused = focusedElement(player);
    if (focused > SHELF_LIST)
        said.push_back(static_cast<const char*>(dialogShelf[focused].dp));
    else if (!lines.empty())
        said.push_back(lines[static_cast<std::size_t>(list->d1)]);
    return said;
}

// The path the reader picks with the library's file selector, from their
// home folder; empty when they cancel.
std::string pickWithSelector()
{
    char path[4096] = "";
    if (const char* home = std::getenv("HOME"))
        std::snprintf(path, sizeof path, "%s/", home);
    if (!file_select_ex(tr(selectorTitle), path, "dat;zip", sizeof path, 0, 0))
        return "";
    return path;
}

} // namespace

ShelfAnswer shelfScreen(const std::vector<ShelfBook>& books, int& selected)
{
    lines.clear();
    for (const ShelfBook& book : books)
        lines.push_back(shelfLine(book, tr(pageFormat), tr(demoNote)));
    dialogShelf[SHELF_CLEAR].bg = makecol(236, 232, 222);
    dialogShelf[SHELF_HEADING].fg = makecol(32, 32, 32);
    dialogShelf[SHELF_HEADING].dp = const_cast<char*>(tr(headingLabel));
    list->fg = makecol(0, 0, 0);
    list->bg = makecol(255, 255, 255);
    list->flags = D_EXIT;
    list->d1 = list->d2 = 0;
    dialogShelf[SHELF_READ].dp = const_cast<char*>(tr(readLabel));
    dialogShelf[SHELF_OPEN].dp = const_cast<char*>(tr(openLabel));
    dialogShelf[SHELF_QUIT].dp = const_cast<char*>(tr(quitLabel));
    dialogShelf[SHELF_READ].flags = 0;
    dialogShelf[SHELF_OPEN].flags = 0;
    dialogShelf[SHELF_QUIT].flags = D_EXIT;
    selectRow(selected);
    showWindowTitle("");
    openScreen();

    DIALOG_PLAYER* player = startDialog(dialogShelf);
    PointerFocus pointer(player);
    if (readingWithKeys())
        focusElement(player, SHELF_LIST);
    // Made again when a book's own player ends, the shelf takes the keys
    // typed to it since (runShelf empties the buffer as the player ends).
    ReaderInput input(ReaderInput::TypedBefore::Kept);
    const std::vector<int> order = {SHELF_LIST, SHELF_READ, SHELF_OPEN, SHELF_QUIT};
    sayScreen(shelfSaid(player));
    FocusSpeech focusSpeech([](int element) {
        if (element == SHELF_LIST)
            return lines.empty() ? std::string() : lines[static_cast<std::size_t>(list->d1)];
        return std::string(static_cast<const char*>(dialogShelf[element].dp));
    });
    focusSpeech.said(focusedElement(player));
    ShelfAnswer answer;
    bool done = false;
    while (!done) {
        std::vector<Command> commands = input.readKeys();
        const int before = list->d1;
        const bool running = update_dialog(player);
        input.readMouse(player, commands);
        pointer.follow();
        bool quit = closeRequested != 0;
        bool read = false;
        if (!running) {
            // A double click on a book closes the dialog on the list; Quit closes it too.
            read = player->obj == SHELF_LIST;
            quit = quit || !read;
        }
        const bool onButton = focusedElement(player) > SHELF_LIST;
        for (Command command : commands) {
            silence(); // a key that acts cuts off what was being said
            switch (command) {
            case Command::Up:
            case Command::WheelUp:
                selectRow(list->d1 - 1);
                break;
            case Command::Down:
            case Command::WheelDown:
                selectRow(list->d1 + 1);
                break;
            case Command::PageUp:
                selectRow(list->d1 - shownRows());
                break;
            case Command::PageDown:
                selectRow(list->d1 + shownRows());
                break;
            case Command::Home:
                selectRow(0);
                break;
            case Command::End:
                selectRow(static_cast<int>(lines.size()) - 1);
                break;
            case Command::Next:
                moveFocus(player, order, SHELF_LIST, 1, true);
                break;
            case Command::Previous:
                moveFocus(player, order, SHELF_LIST, -1, true);
                break;
            case Command::Take:
                if (onButton)
                    takeFocused(player, order, SHELF_READ);
                else
                    read = true;
                break;
            case Command::Leave:
                quit = true;
                break;
            case Command::ReadAloud:
                toggleReadingAloud();
                break;
            case Command::SayAgain:
                sayScreen(shelfSaid(player));
                break;
            case Command::Help:
                showKeyHelp(KeyScreen::Shelf);
                input.resync();
                break;
            default:
                break;
            }
        }
        if (list->d1 != before && !lines.empty())
            sayScreen({lines[static_cast<std::size_t>(list->d1)]});
        focusSpeech.follow(focusedElement(player));
        if (dialogShelf[SHELF_QUIT].flags & D_SELECTED)
            quit = true;
        if (dialogShelf[SHELF_READ].flags & D_SELECTED) {
            dialogShelf[SHELF_READ].flags &= ~D_SELECTED;
            read = true;
        }
        if (quit) {
            done = true;
        } else if (read && !books.empty()) {
            answer = {ShelfAnswer::Kind::Read, books[static_cast<std::size_t>(list->d1)].path};
            done = true;
        } else if (dialogShelf[SHELF_OPEN].flags & D_SELECTED) {
            dialogShelf[SHELF_OPEN].flags &= ~D_SELECTED;
            const std::string picked = pickWithSelector();
            if (!picked.empty()) {
                answer = {ShelfAnswer::Kind::Read, picked};
                done = true;
            } else {
                broadcast_dialog_message(MSG_DRAW, 0);
                input.resync();
            }
        }
        if (!running && !done) {
            // The list closed the dialog with nothing to read: start it again.
            shutdown_dialog(player);
            player = startDialog(dialogShelf);
        }
        presentChanges(); // what the pass drew shows before it rests
        rest(PASS_REST_MS); // give the processor back between passes
    }
    selected = list->d1;
    clear_keybuf();
    shutdown_dialog(player);
    return answer;
}
