#include "title.h"

#include "compose.h"
#include "init.h"

#include <cstdio>

static char startLabel[] = "Start Game";
static char optionsLabel[] = "Options";
static char aboutLabel[] = "About";
static char quitLabel[] = "Quit";

DIALOG dialogMenu[] = {
    // proc, x, y, w, h, fg, bg, key, flags, d1, d2, dp, dp2, dp3
    {d_bitmap_proc, 0, 0, 640, 480, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
    {d_button_proc, 232, 136, 184, 40, 0, 255, 0, 0, 0, 0, startLabel, nullptr, nullptr},
    {d_button_proc, 232, 184, 184, 40, 0, 255, 0, 0, 0, 0, optionsLabel, nullptr, nullptr},
    {d_button_proc, 232, 232, 184, 40, 0, 255, 0, 0, 0, 0, aboutLabel, nullptr, nullptr},
    {d_button_proc, 232, 304, 184, 40, 0, 255, 0, D_EXIT, 0, 0, quitLabel, nullptr, nullptr},
    {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
};

enum { MENU_BACKGROUND, MENU_START, MENU_OPTIONS, MENU_ABOUT, MENU_QUIT };

std::string bookLineText(const char* bookPath)
{
    char formatted[128];
    std::snprintf(formatted, sizeof formatted, "Книга: %s", bookPath);
    char line[DRAWN_LINE_SIZE];
    copyCut(line, sizeof line, formatted);
    return line;
}

// The book line, centred at the top of the screen.
static void drawBookLine()
{
    textout_centre_ex(screen, font, bookLineText(book).c_str(), SCREEN_W / 2, 5,
                      makecol(32, 32, 32), -1);
}

static const char* const aboutLines[] = {"Quorvel", "QVL v.0.1.3", "by the Quorvel team"};
static const char aboutButton[] = "&ok";

static void showAbout()
{
    alert(aboutLines[0], aboutLines[1], aboutLines[2], aboutButton, nullptr, 99, 0);
}

std::vector<std::string> titleOwnTexts()
{
    std::vector<std::string> texts;
    for (const char* label : {startLabel, aboutLabel, quitLabel})
        texts.push_back(label);
    for (const char* line : aboutLines)
        texts.push_back(line);
    texts.push_back(aboutButton);
    return texts;
}

bool title()
{
    dialogMenu[MENU_OPTIONS].flags = D_HIDDEN;
    // A choice made in an earlier life of the screen must not carry over.
    dialogMenu[MENU_START].flags = 0;
    dialogMenu[MENU_ABOUT].flags = 0;
    dialogMenu[MENU_QUIT].flags = D_EXIT;

    BITMAP* background = loadTitlePicture(main_bg_name);
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
    clear_keybuf();
    // The line is drawn over the background after each pass that redrew
    // the background: the first one, and the one after the about box. The
    // buttons never cover it, so the other passes need not touch it.
    bool lineStale = true;
    bool started = false;
    while (!started) {
        if (!update_dialog(player) || closeRequested
            || (dialogMenu[MENU_QUIT].flags & D_SELECTED)) {
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
            lineStale = true;
        }
        if (lineStale) {
            drawBookLine();
            lineStale = false;
        }
        rest(PASS_REST_MS); // give the processor back between passes
    }
    clear_keybuf();
    shutdown_dialog(player);
    destroy_bitmap(background);
    return true;
}
