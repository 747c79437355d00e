#include "screen/focus.h"

#include "input/readerinput.h"

#include <algorithm>

namespace {

bool isShown(const DIALOG& element)
{
    return !(element.flags & D_HIDDEN);
}

// The face of a focused button: light enough for its dark label, far from
// the title's blue and the page's grey.
int focusFace()
{
    return makecol(255, 200, 40);
}

// d_button_proc's drawing with the focus face, and a second dark line
// inside its frame. The face spans x..x+w-2 and y..y+h-2; the last column
// and row are its shadow.
int drawFocused(DIALOG* d, int c)
{
    const int face = d->bg;
    d->bg = focusFace();
    const int result = d_button_proc(MSG_DRAW, d, c);
    d->bg = face;
    if (!(d->flags & D_SELECTED)) // pressed, the library draws it inverted and shifted
        rect(gui_get_screen(), d->x + 1, d->y + 1, d->x + d->w - 3, d->y + d->h - 3, d->fg);
    return result;
}

} // namespace

// The scancode of the key whose MSG_CHAR came last: its MSG_UCHAR, which
// follows at once, carries the character alone.
static int charScancode = 0;

int handBackKey(int msg, int c)
{
    switch (msg) {
    case MSG_CHAR:
        // Passed on, so that the dialog manager sends the whole character.
        charScancode = c >> 8;
        return D_O_K;
    case MSG_UCHAR:
        returnKeyToReader(charScancode, c);
        return D_USED_CHAR;
    case MSG_XCHAR:
        returnKeyToReader(c >> 8, c & 0xff);
        return D_USED_CHAR;
    default:
        return D_O_K;
    }
}

int reader_button_proc(int msg, DIALOG* d, int c)
{
    switch (msg) {
    case MSG_DRAW:
        if (d->flags & D_GOTFOCUS)
            return drawFocused(d, c);
        break;
    case MSG_LOSTFOCUS:
        return D_WANTFOCUS;
    case MSG_CHAR:
    case MSG_UCHAR:
    case MSG_XCHAR:
        return handBackKey(msg, c);
    case MSG_KEY:
        return D_O_K;
    case MSG_CLICK:
        if (!(gui_mouse_b() & 1))
            return D_O_K;
        break;
    default:
        break;
    }
    return d_button_proc(msg, d, c);
}

int reader_textbox_proc(int msg, DIALOG* d, int c)
{
    if (msg == MSG_WANTFOCUS)
        return D_O_K;
    return d_textbox_proc(msg, d, c);
}

int focusedElement(const DIALOG_PLAYER* player)
{
    const int index = player->focus_obj;
    if (index < 0)
        return -1;
    const DIALOG& element = player->dialog[index];
    return (element.flags & D_GOTFOCUS) && isShown(element) ? index : -1;
}

// offer_focus, after letting go of a focus that its element no longer
// shows: such an element has nothing to give up, and must not make the
// library think it has the focus already.
static void offerFocus(DIALOG_PLAYER* player, int index, bool force)
{
    if (focusedElement(player) < 0)
        player->focus_obj = -1;
    offer_focus(player->dialog, index, &player->focus_obj, force ? TRUE : FALSE);
}

void focusElement(DIALOG_PLAYER* player, int index)
{
    offerFocus(player, index, true);
}

void moveFocus(DIALOG_PLAYER* player, const std::vector<int>& order, int home, int step,
               bool wrap)
{
    std::vector<int> shown;
    for (int index : order)
        if (isShown(player->dialog[index]))
            shown.push_back(index);
    const auto at = std::find(shown.begin(), shown.end(), focusedElement(player));
    if (at == shown.end()) {
        if (isShown(player->dialog[home]))
            focusElement(player, home);
        else if (!shown.empty())
            focusElement(player, shown.front());
        return;
    }
    const int count = static_cast<int>(shown.size());
    int place = static_cast<int>(at - shown.begin()) + step;
    place = wrap ? ((place % count) + count) % count : std::clamp(place, 0, count - 1);
    focusElement(player, shown[place]);
}

void takeFocused(DIALOG_PLAYER* player, const std::vector<int>& buttons, int home)
{
    const int focused = focusedElement(player);
    int chosen = -1;
    if (std::find(buttons.begin(), buttons.end(), focused) != buttons.end())
        chosen = focused;
    else if (home >= 0 && isShown(player->dialog[home]))
        chosen = home;
    if (chosen >= 0)
        player->dialog[chosen].flags |= D_SELECTED;
}

PointerFocus::PointerFocus(DIALOG_PLAYER* player)
    : player_(player), x_(gui_mouse_x()), y_(gui_mouse_y()), moved_(false)
{
    // init_dialog gives the focus to the element under the pointer; nothing
    // is drawn yet, so taking it back needs no redraw.
    if (player->focus_obj >= 0) {
        player->dialog[player->focus_obj].flags &= ~D_GOTFOCUS;
        player->focus_obj = -1;
    }
}

void PointerFocus::follow()
{
    const int x = gui_mouse_x(), y = gui_mouse_y();
    if (x == x_ && y == y_)
        return;
    x_ = x;
    y_ = y;
    // The first change may be the library learning, late, where the pointer
    // already was when the window opened.
    if (!moved_) {
        moved_ = true;
        return;
    }
    // Offered, not forced: only an element that takes the focus gets it.
    const int pointed = player_->mouse_obj;
    if (pointed >= 0 && pointed != focusedElement(player_))
        offerFocus(player_, pointed, false);
}
