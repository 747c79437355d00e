#include "screen/keyhelp.h"

#include "app/language.h"
#include "input/readerinput.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "screen/focus.h"
#include "speech/readaloud.h"

#include <allegro.h>

#include <algorithm>

namespace {

// The panel covers the screen but a margin; the keys stand in a column of
// their own, the meanings beside them, both wrapped at word ends. Rows stand
// apart by ROW_GAP where they all fit so, closer where they do not.
const int MARGIN = 10;
const int PADDING = 12;
const int KEYS_W = 170;
const int GAP = 12;
const int ROW_GAP = 4;

int panelInk()
{
    return makecol(24, 24, 24);
}

int panelFace()
{
    return makecol(250, 246, 232);
}

int keysInk()
{
    return makecol(40, 60, 140);
}

// `text` broken into lines at most `width` pixels wide in the font, at
// spaces; a word wider than that stands on a line of its own.
std::vector<std::string> wrapped(const std::string& text, int width)
{
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(at, end - at);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && text_length(font, longer.c_str()) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        at = end + 1;
    }
    if (!line.empty() || lines.empty())
        lines.push_back(line);
    return lines;
}

// What the help shows, laid out for the font.
struct Layout {
    std::string heading;
    std::vector<KeyHelpRow> rows;
    std::vector<std::vector<std::string>> keysLines, meaningLines;
    std::string footer;
    int rowGap = ROW_GAP;
};

Layout layOut(KeyScreen screen)
{
    Layout layout;
    layout.heading = keyHelpHeading(screen);
    layout.rows = keyHelpRows(screen);
    layout.footer = keyHelpFooter();
    const int meaningW = LOGICAL_W - 2 * (MARGIN + PADDING) - KEYS_W - GAP;
    int lines = 0;
    for (const KeyHelpRow& row : layout.rows) {
        layout.keysLines.push_back(wrapped(row.keys, KEYS_W));
        layout.meaningLines.push_back(wrapped(row.meaning, meaningW));
        lines += static_cast<int>(std::max(layout.keysLines.back().size(),
                                           layout.meaningLines.back().size()));
    }
    // The heading and the footer take two lines each, with the space below
    // and above them.
    const int room = LOGICAL_H - 2 * (MARGIN + PADDING) - 4 * text_height(font);
    const int gaps = std::max(1, static_cast<int>(layout.rows.size()) - 1);
    layout.rowGap = std::clamp((room - lines * text_height(font)) / gaps, 0, ROW_GAP);
    return layout;
}

// The help's panel, on `picture` (the logical screen).
void drawHelp(BITMAP* picture, const Layout& layout)
{
    const int line = text_height(font);
    rectfill(picture, MARGIN, MARGIN, LOGICAL_W - MARGIN - 1, LOGICAL_H - MARGIN - 1, panelFace());
    rect(picture, MARGIN, MARGIN, LOGICAL_W - MARGIN - 1, LOGICAL_H - MARGIN - 1, panelInk());
    int y = MARGIN + PADDING;
    textout_centre_ex(picture, font, layout.heading.c_str(), LOGICAL_W / 2, y, panelInk(), -1);
    y += line * 2;
    const int keysX = MARGIN + PADDING;
    const int meaningX = keysX + KEYS_W + GAP;
    for (std::size_t i = 0; i < layout.rows.size(); ++i) {
        int keysY = y, meaningY = y;
        for (const std::string& text : layout.keysLines[i]) {
            textout_ex(picture, font, text.c_str(), keysX, keysY, keysInk(), -1);
            keysY += line;
        }
        for (const std::string& text : layout.meaningLines[i]) {
            textout_ex(picture, font, text.c_str(), meaningX, meaningY, panelInk(), -1);
            meaningY += line;
        }
        y = std::max(keysY, meaningY) + layout.rowGap;
    }
    textout_centre_ex(picture, font, layout.footer.c_str(), LOGICAL_W / 2,
                      LOGICAL_H - MARGIN - PADDING - line, panelInk(), -1);
}

// The panel as the dialog manager's one element: drawn when the dialog
// starts; a click on it, with any button, closes it once the button is let
// go, so that the release falls on nothing below.
int keyHelpProc(int msg, DIALOG* d, int c)
{
    if (msg == MSG_DRAW) {
        drawHelp(gui_get_screen(), *static_cast<const Layout*>(d->dp));
    } else if (msg == MSG_CLICK) {
        while (gui_mouse_b())
            rest(PASS_REST_MS);
        return D_CLOSE;
    } else if (msg == MSG_WANTFOCUS) {
        return D_WANTFOCUS;
    } else if (msg == MSG_CHAR || msg == MSG_UCHAR || msg == MSG_XCHAR) {
        return handBackKey(msg, c); // read by the help's own loop
    }
    return D_O_K;
}

// Whether a key typed closes the help: any key but those that do their
// work over any screen (the display keys) and the reading aloud's (V, R),
// which a listener uses in the help itself.
bool closesHelp(const TypedKey& typed)
{
    const bool ctrl = key_shifts & KB_CTRL_FLAG;
    switch (typed.scancode) {
    case KEY_F11:
    case KEY_V:
    case KEY_R:
        return false;
    case KEY_EQUALS:
    case KEY_MINUS:
    case KEY_PLUS_PAD:
    case KEY_MINUS_PAD:
        return !ctrl;
    default:
        return true;
    }
}

} // namespace

std::string keyHelpHeading(KeyScreen screen)
{
    switch (screen) {
    case KeyScreen::Page: return tr("Keys on a page");
    case KeyScreen::Title: return tr("Keys on the title menu");
    case KeyScreen::Shelf: return tr("Keys on the shelf");
    }
    return std::string();
}

std::vector<KeyHelpRow> keyHelpRows(KeyScreen screen)
{
    std::vector<KeyHelpRow> rows;
    for (const KeyRow& row : keyTable())
        if (const char* meaning = row.meaningOn(screen))
            rows.push_back({tr(row.keys), tr(meaning)});
    return rows;
}

std::string keyHelpFooter()
{
    return tr("Any key or click closes this.");
}

void showKeyHelp(KeyScreen screen)
{
    const Layout layout = layOut(screen);
    BITMAP* picture = gui_get_screen();
    BITMAP* under = create_bitmap(picture->w, picture->h);
    if (under)
        blit(picture, under, 0, 0, 0, 0, picture->w, picture->h);

    std::vector<std::string> said = {layout.heading};
    for (const KeyHelpRow& row : layout.rows)
        said.push_back(row.keys + ": " + row.meaning);
    said.push_back(layout.footer);
    sayScreen(said);

    DIALOG dialog[] = {
        {keyHelpProc, 0, 0, LOGICAL_W, LOGICAL_H, 0, 0, 0, 0, 0, 0, const_cast<Layout*>(&layout),
         nullptr, nullptr},
        {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
    };
    DIALOG_PLAYER* player = startDialog(dialog);
    ReaderInput input; // the key that opened the help does not close it...
    // ...nor do its auto-repeats while it is held.
    std::vector<bool> heldAtStart(KEY_MAX);
    for (int k = 0; k < KEY_MAX; ++k)
        heldAtStart[k] = key[k];
    bool closed = false;
    while (!closed) {
        std::vector<Command> commands = input.readKeys();
        closed = !update_dialog(player) || closeRequested;
        for (Command command : commands) {
            if (command == Command::ReadAloud)
                toggleReadingAloud();
            else if (command == Command::SayAgain)
                sayScreen(said);
        }
        for (const TypedKey& typed : input.typed())
            closed |= !(typed.scancode < KEY_MAX && heldAtStart[typed.scancode]) && closesHelp(typed);
        for (int k = 0; k < KEY_MAX; ++k)
            heldAtStart[k] = heldAtStart[k] && key[k];
        presentChanges();
        if (!closed)
            rest(PASS_REST_MS);
    }
    shutdown_dialog(player);
    silence();
    if (under) {
        blit(under, picture, 0, 0, 0, 0, under->w, under->h);
        destroy_bitmap(under);
    }
    presentChanges();
}
