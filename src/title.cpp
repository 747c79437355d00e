#include "title.h"

#include "app/version.h"
#include "book/resume.h"
#include "init.h"
#include "input/readerinput.h"
#include "media/compose.h"
#include "screen/backdrop.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "screen/focus.h"
#include "text/buffers.h"

#include <climits>
#include <cstdio>

static char startLabel[] = "Start Game";
static char optionsLabel[] = "Options";
static char aboutLabel[] = "About";
static char quitLabel[] = "Quit";

// The buttons' face: a raw colour value, which is blue at every colour depth
// the player sets (15, 16, 24 and 32 bits).
static const int BUTTON_BG = 255;

DIALOG dialogMenu[] = {
    // proc, x, y, w, h, fg, bg, key, flags, d1, d2, dp, dp2, dp3
    {backdrop_proc, 0, 0, LOGICAL_W, LOGICAL_H, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
    {reader_button_proc, 232, 136, 184, 40, 0, BUTTON_BG, 0, 0, 0, 0, startLabel, nullptr, nullptr},
    {reader_button_proc, 232, 184, 184, 40, 0, BUTTON_BG, 0, 0, 0, 0, optionsLabel, nullptr, nullptr},
    {reader_button_proc, 232, 232, 184, 40, 0, BUTTON_BG, 0, 0, 0, 0, aboutLabel, nullptr, nullptr},
    {reader_button_proc, 232, 304, 184, 40, 0, BUTTON_BG, 0, D_EXIT, 0, 0, quitLabel, nullptr, nullptr},
    {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
};

std::string bookLineText(const char* bookPath)
{
    char formatted[128];
    std::snprintf(formatted, sizeof formatted, "Книга: %s", bookPath);
    char line[DRAWN_LINE_SIZE];
    copyCut(line, sizeof line, formatted);
    return line;
}

// What the book line adds when the book will open at the page where the
// reader left it (`index`, from 0).
static std::string resumeNote(int index)
{
    return " — стр. " + std::to_string(index + 1);
}

// The book line, centred at the top of the screen (on the picture the
// dialog manager draws on), with the page the book will open at when it is
// not the first (`resumeAt`, an index, or -1).
static void drawBookLine(int resumeAt)
{
    std::string line = bookLineText(book);
    if (resumeAt >= 0)
        line += resumeNote(resumeAt);
    textout_centre_ex(gui_get_screen(), font, line.c_str(), LOGICAL_W / 2, 5,
                      makecol(32, 32, 32), -1);
}

const char* const ABOUT_VERSION_LINE = "QVL v." QUORVEL_VERSION;

static const char* const aboutLines[] = {"Quorvel", ABOUT_VERSION_LINE, "by the Quorvel team"};
static const char aboutButton[] = "&ok";

void showAbout()
{
    alert(aboutLines[0], aboutLines[1], aboutLines[2], aboutButton, nullptr, ALERT_KEY, 0);
}

std::vector<std::string> titleOwnTexts()
{
    std::vector<std::string> texts;
    for (const char* label : {startLabel, aboutLabel, quitLabel})
        texts.push_back(label);
    for (const char* line : aboutLines)
        texts.push_back(line);
    texts.push_back(aboutButton);
    texts.push_back(resumeNote(0));
    return texts;
}

// Carries out a key's command on the menu: Up and Down (Tab and Shift+Tab
// going round) move the focus between Start Game, About and Quit, starting
// from Start Game; Enter and Space take the focused one, or Start Game when
// none has the focus; I is About. Returns false for Esc, which ends the
// program as Quit does.
static bool applyMenuCommand(DIALOG_PLAYER* player, Command command)
{
    static const std::vector<int> order = {MENU_START, MENU_ABOUT, MENU_QUIT};
    switch (command) {
    case Command::Up:
        moveFocus(player, order, MENU_START, -1, false);
        break;
    case Command::Down:
        moveFocus(player, order, MENU_START, 1, false);
        break;
    case Command::Previous:
        moveFocus(player, order, MENU_START, -1, true);
        break;
    case Command::Next:
        moveFocus(player, order, MENU_START, 1, true);
        break;
    case Command::Take:
        takeFocused(player, order, MENU_START);
        break;
    case Command::About:
        dialogMenu[MENU_ABOUT].flags |= D_SELECTED;
        break;
    case Command::Leave:
        return false;
    default:
        break;
    }
    return true;
}

bool title()
{
    dialogMenu[MENU_OPTIONS].flags = D_HIDDEN;
    // A choice made in an earlier life of the screen must not carry over.
    dialogMenu[MENU_START].flags = 0;
    dialogMenu[MENU_ABOUT].flags = 0;
    dialogMenu[MENU_QUIT].flags = D_EXIT;

    BITMAP* background = loadTitlePicture(titlePicture());
    if (hasAlpha(background)) {
        // Drawn over black where it is transparent, composed once here.
        if (BITMAP* composed = composeOver(nullptr, 0, 0, background->w, background->h, background)) {
            destroy_bitmap(background);
            background = composed;
        }
    }
    dialogMenu[MENU_BACKGROUND].dp = background;
    openScreen();

    DIALOG_PLAYER* player = startDialog(dialogMenu);
    PointerFocus pointer(player);
    if (readingWithKeys())
        focusElement(player, MENU_START);
    ReaderInput input; // what is held now (the key that left the book) does not count
    // The line is drawn over the background after each pass that drew the
    // background (screen/backdrop.h). The buttons never cover it, so the
    // other passes need not touch it.
    takeBackdropDrawn(); // a note left by the screen before counts for nothing
    const int resumeAt = rememberedPage(INT_MAX);
    bool started = false;
    while (!started) {
        std::vector<Command> commands = input.readKeys();
        bool closed = !update_dialog(player) || closeRequested;
        input.readMouse(player, commands);
        pointer.follow();
        for (Command command : commands)
            closed |= !applyMenuCommand(player, command);
        if (closed || (dialogMenu[MENU_QUIT].flags & D_SELECTED)) {
            shutdown_dialog(player);
            destroy_bitmap(background);
            return false;
        }
        if (dialogMenu[MENU_START].flags & D_SELECTED) {
            dialogMenu[MENU_START].flags = 0;
            started = true;
        }
        if (dialogMenu[MENU_ABOUT].flags & D_SELECTED) {
            showAbout();
            // Unselect and redraw, but keep the focus bits the dialog
            // manager relies on, so that About answers the very next click.
            dialogMenu[MENU_ABOUT].flags &= ~D_SELECTED;
            dialogMenu[MENU_ABOUT].flags |= D_DIRTY;
            input.resync();
        }
        if (takeBackdropDrawn())
            drawBookLine(resumeAt);
        presentChanges(); // what the pass drew shows before it rests
        rest(PASS_REST_MS); // give the processor back between passes
    }
    clear_keybuf();
    shutdown_dialog(player);
    destroy_bitmap(background);
    return true;
}
