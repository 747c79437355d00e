#include "book/reading.h"

#include "gamepage.h"
#include "screen/focus.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

std::vector<int> history;

// The choices in the order they stand on the screen, left to right.
const std::vector<int> choicesOnScreen = {PAGE_THIRD_CHOICE, PAGE_SECOND_CHOICE,
                                          PAGE_FIRST_CHOICE};

// Tab goes round the choices, then Menu; Enter and Space may take any of them.
const std::vector<int> tabOrder = {PAGE_THIRD_CHOICE, PAGE_SECOND_CHOICE, PAGE_FIRST_CHOICE,
                                   PAGE_MENU};

bool isShown(int element)
{
    return !(dialogGamePage[element].flags & D_HIDDEN);
}

// Lines the text box shows at once, counted as the library's text box
// counts them (a 4-pixel margin above and below).
int shownLines(const DIALOG* box)
{
    return std::max(1, (box->h - 8) / text_height(font));
}

void scrollTextBy(int lines)
{
    const long long top = static_cast<long long>(field_text_main->d2) + lines;
    scrollTextTo(static_cast<int>(std::clamp<long long>(top, INT_MIN, INT_MAX)));
}

// Selects the `n`th visible choice counted from the left, when there is one.
void pick(int n)
{
    int seen = 0;
    for (int element : choicesOnScreen)
        if (isShown(element) && ++seen == n) {
            dialogGamePage[element].flags |= D_SELECTED;
            return;
        }
}

} // namespace

int pageHomeElement()
{
    if (isShown(PAGE_FIRST_CHOICE))
        return PAGE_FIRST_CHOICE;
    for (int element : choicesOnScreen)
        if (isShown(element))
            return element;
    return PAGE_MENU;
}

void focusPageForKeys()
{
    if (readingWithKeys())
        focusElement(player, pageHomeElement());
}

void scrollTextTo(int top)
{
    DIALOG* box = field_text_main;
    if (box->flags & D_HIDDEN)
        return;
    // d1 is the text's line count, as the box measured it when drawn.
    const int last = std::max(0, box->d1 - shownLines(box));
    top = std::clamp(top, 0, last);
    if (top != box->d2) {
        box->d2 = top;
        box->flags |= D_DIRTY;
    }
}

PageRequest applyPageCommand(Command command)
{
    const int home = pageHomeElement();
    switch (command) {
    case Command::Up:
        scrollTextBy(-1);
        break;
    case Command::Down:
        scrollTextBy(1);
        break;
    case Command::PageUp:
        scrollTextBy(-shownLines(field_text_main));
        break;
    case Command::PageDown:
        scrollTextBy(shownLines(field_text_main));
        break;
    case Command::Home:
        scrollTextTo(0);
        break;
    case Command::End:
        scrollTextTo(INT_MAX);
        break;
    case Command::Left:
        moveFocus(player, choicesOnScreen, home, -1, false);
        break;
    case Command::Right:
        moveFocus(player, choicesOnScreen, home, 1, false);
        break;
    case Command::Previous:
        moveFocus(player, tabOrder, home, -1, true);
        break;
    case Command::Next:
        moveFocus(player, tabOrder, home, 1, true);
        break;
    case Command::Take:
        takeFocused(player, tabOrder, home);
        break;
    case Command::Pick1:
        pick(1);
        break;
    case Command::Pick2:
        pick(2);
        break;
    case Command::Pick3:
        pick(3);
        break;
    case Command::Menu:
        button_exit->flags |= D_SELECTED;
        break;
    case Command::About:
        return PageRequest::About;
    case Command::Leave:
        return PageRequest::Leave;
    case Command::Back:
        return PageRequest::Back;
    case Command::Reload:
        return PageRequest::Reload;
    case Command::WheelUp:
    case Command::WheelDown:
        // As the library's text box answers the wheel, while the pointer is over it.
        if (player->mouse_obj == PAGE_TEXT && isShown(PAGE_TEXT))
            object_message(field_text_main, MSG_WHEEL, command == Command::WheelUp ? 1 : -1);
        break;
    }
    return PageRequest::None;
}

void startReading()
{
    history.clear();
}

void rememberPage(int index)
{
    history.push_back(index);
}

bool takePreviousPage(int& index)
{
    if (!previousPage(index))
        return false;
    history.pop_back();
    return true;
}

bool previousPage(int& index)
{
    if (history.empty())
        return false;
    index = history.back();
    return true;
}
