#include "input/keytable.h"

#include "app/language.h"

#include <allegro.h>

const char* KeyRow::meaningOn(KeyScreen screen) const
{
    switch (screen) {
    case KeyScreen::Page: return onPage;
    case KeyScreen::Title: return onTitle;
    case KeyScreen::Shelf: return onShelf;
    }
    return nullptr;
}

const std::vector<KeyRow>& keyTable()
{
    using C = Command;
    // TRANSLATORS: the first text of each row names keys as they are
    // printed on a keyboard; the others say what the keys do, on a page of
    // the book, on the title menu and on the shelf of books.
    static const std::vector<KeyRow> table = {
        {N_("Enter, Space"),
         N_("take the focused choice (the first choice when none has the focus)"),
         N_("take the focused button (Start Game when none has it)"),
         N_("read the selected book, or take the focused button"),
         {{KEY_ENTER, 0, 0, C::Take}, {KEY_SPACE, 0, 0, C::Take}}},
        {N_("1, 2, 3"), N_("take the first, second or third choice counted from the left of the screen"),
         nullptr, nullptr,
         {{KEY_1, 0, 0, C::Pick1}, {KEY_2, 0, 0, C::Pick2}, {KEY_3, 0, 0, C::Pick3},
          {KEY_1_PAD, 0, 0, C::Pick1}, {KEY_2_PAD, 0, 0, C::Pick2}, {KEY_3_PAD, 0, 0, C::Pick3}}},
        {N_("← →"), N_("move the focus between the choices, left to right"), nullptr, nullptr,
         {{KEY_LEFT, 0, 0, C::Left}, {KEY_RIGHT, 0, 0, C::Right}}},
        {N_("↑ ↓"), N_("scroll the text a line"), N_("move the focus between Start Game, About and Quit"),
         N_("select the book above or below"),
         {{KEY_UP, 0, 0, C::Up}, {KEY_DOWN, 0, 0, C::Down}}},
        {N_("Tab, Shift+Tab"), N_("move the focus round the choices and Menu"),
         N_("move the focus round the buttons"), N_("move the focus round the list and the buttons"),
         {{KEY_TAB, 0, 0, C::Next}, {KEY_TAB, 0, KB_SHIFT_FLAG, C::Previous}}},
        {N_("Page Up, Page Down, Home, End"), N_("scroll the text a box, or to its start or end"),
         nullptr, N_("page through the list, or go to the first or last book"),
         {{KEY_PGUP, 0, 0, C::PageUp}, {KEY_PGDN, 0, 0, C::PageDown}, {KEY_HOME, 0, 0, C::Home},
          {KEY_END, 0, 0, C::End}}},
        // The right mouse button is read with the mouse (ReaderInput::readMouse).
        {N_("Backspace, Alt+←, right mouse button"), N_("back to the page shown before the last choice"),
         nullptr, nullptr, {{KEY_BACKSPACE, 0, 0, C::Back}, {KEY_LEFT, 0, KB_ALT_FLAG, C::Back}}},
        {N_("M"), N_("Menu: back to the title menu"), nullptr, nullptr, {{KEY_M, 0, 0, C::Menu}}},
        {N_("I"), N_("the about box"), N_("the about box"), nullptr, {{KEY_I, 0, 0, C::About}}},
        {N_("Esc"), N_("back to the title menu"), N_("end the program"), N_("end the program"), {{KEY_ESC, 0, 0, C::Leave}}},
        {N_("F5"), N_("read the book again, for its author"), nullptr, nullptr, {{KEY_F5, 0, 0, C::Reload}}},
        {N_("F11"), N_("switch between the window and full screen"),
         N_("switch between the window and full screen"),
         N_("switch between the window and full screen"), {}},
        {N_("Ctrl and +, Ctrl and −"), N_("make the window one size larger or smaller"),
         N_("make the window one size larger or smaller"),
         N_("make the window one size larger or smaller"), {}},
        {N_("V"), N_("read aloud, or stop reading aloud"), N_("read aloud, or stop reading aloud"),
         N_("read aloud, or stop reading aloud"),
         {{KEY_V, 0, 0, C::ReadAloud}}},
        {N_("R"), N_("read the page again"), N_("read the menu again"), N_("read the shelf again"), {{KEY_R, 0, 0, C::SayAgain}}},
        {N_("F1, ?"), N_("show these keys"), N_("show these keys"), N_("show these keys"), {{KEY_F1, 0, 0, C::Help}, {0, '?', 0, C::Help}}},
    };
    return table;
}

bool commandForKey(int scancode, int held, Command& command)
{
    int bestModifiers = -1;
    for (const KeyRow& row : keyTable())
        for (const KeyBinding& binding : row.bindings) {
            if (binding.scancode != scancode || (binding.modifiers & held) != binding.modifiers)
                continue;
            const int count = __builtin_popcount(static_cast<unsigned>(binding.modifiers));
            if (count > bestModifiers) {
                bestModifiers = count;
                command = binding.command;
            }
        }
    return bestModifiers >= 0;
}
