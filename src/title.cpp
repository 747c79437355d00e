#include "title.h"

#include "app/language.h"
#include "app/version.h"
#include "book/book.h"
#include "book/resume.h"
#include "init.h"
#include "input/readerinput.h"
#include "media/compose.h"
#include "screen/backdrop.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "screen/focus.h"
#include "screen/keyhelp.h"
#include "screen/messagebox.h"
#include "screen/window.h"
#include "speech/readaloud.h"
#include "text/buffers.h"

#include <climits>
#include <cstdio>

// The buttons' labels as the C locale shows them; title() puts their
// translations in the dialog.
static char startLabel[] = N_("Start Game");
static char optionsLabel[] = "Options"; // never shown
static char aboutLabel[] = N_("About");
static char quitLabel[] = N_("Quit");
static char fromFirstLabel[] = N_("From the First Page");

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
    {reader_button_proc, 232, 184, 184, 40, 0, BUTTON_BG, 0, D_HIDDEN, 0, 0, fromFirstLabel, nullptr, nullptr},
    {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
};

std::string bookLineText(const char* bookPath)
{
    char formatted[128];
    std::snprintf(formatted, sizeof formatted, tr("Книга: %s"), bookPath);
    char line[DRAWN_LINE_SIZE];
    copyCut(line, sizeof line, formatted);
    return line;
}

// What the book line adds when the book will open at the page where the
// reader left it (`index`, from 0).
static std::string resumeNote(int index)
{
    char note[64];
    std::snprintf(note, sizeof note, tr(" — стр. %d"), index + 1);
    return note;
}

// The book line, centred at the top of the screen (on the picture the
// dialog manager draws on), with the page the book will open at when it is
// not the first (`resumeAt`, an index, or -1).
static void drawBookLine(int resumeAt)
{
    std::string line = bookLineText(book);
    if (resumeAt >= 0)
        line += resumeNote(resumeAt);
    textout_centre_ex(gui_get_screen(), font, line.c_str(), LOGICAL_W / 2, BOOK_LINE_Y,
                      makecol(BOOK_LINE_RGB[0], BOOK_LINE_RGB[1], BOOK_LINE_RGB[2]), -1);
}

const char* const ABOUT_VERSION_LINE = "QVL v." QUORVEL_VERSION;

// The program's name and version line stand as they are in every language.
static const char* const aboutLines[] = {"Quorvel", ABOUT_VERSION_LINE, N_("by the Quorvel team"),
                                         N_("F1 shows the keys.")};
static const char aboutButton[] = N_("&ok");

static Message aboutMessage()
{
    Message about;
    about.lines = {aboutLines[0], aboutLines[1], tr(aboutLines[2]), tr(aboutLines[3])};
    about.button = tr(aboutButton);
    about.extraKey = ALERT_KEY;
    return about;
}

void showAbout()
{
    showMessageBox(aboutMessage());
}

std::vector<std::string> titleOwnTexts()
{
    std::vector<std::string> texts;
    for (const char* label : {startLabel, aboutLabel, quitLabel, fromFirstLabel})
        texts.push_back(tr(label));
    const Message about = aboutMessage();
    texts.insert(texts.end(), about.lines.begin(), about.lines.end());
    texts.push_back(about.button);
    texts.push_back(resumeNote(0));
    return texts;
}

// What the menu says: the book line, then the focused button, or Start
// Game, which Enter takes, when none has the focus.
static std::vector<std::string> menuSaid(DIALOG_PLAYER* player, int resumeAt)
{
    std::string line = bookLineText(book);
    if (resumeAt >= 0)
        line += resumeNote(resumeAt);
    const int focused = focusedElement(player);
    const int button = focused >= 0 ? focused : MENU_START;
    return {line, static_cast<const char*>(dialogMenu[button].dp)};
}

// Carries out a key's command on the menu: Up and Down (Tab and Shift+Tab
// going round) move the focus between Start Game, From the First Page (when
// it shows), About and Quit, starting from Start Game; Enter and Space take the focused one, or Start Game when
// none has the focus; I is About; V turns reading aloud on or off, R says
// the menu again, F1 shows the keys. Returns false for Esc, which ends the
// program as Quit does.
static bool applyMenuCommand(DIALOG_PLAYER* player, Command command, int resumeAt)
{
    const std::vector<int> order = resumeAt >= 0
                                       ? std::vector<int>{MENU_START, MENU_FROM_FIRST, MENU_ABOUT, MENU_QUIT}
                                       : std::vector<int>{MENU_START, MENU_ABOUT, MENU_QUIT};
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
    case Command::ReadAloud:
        toggleReadingAloud();
        break;
    case Command::SayAgain:
        sayScreen(menuSaid(player, resumeAt));
        break;
    case Command::Help:
        showKeyHelp(KeyScreen::Title);
        break;
    default:
        break;
    }
    return true;
}

bool title()
{
    dialogMenu[MENU_START].dp = const_cast<char*>(tr(startLabel));
    dialogMenu[MENU_ABOUT].dp = const_cast<char*>(tr(aboutLabel));
    dialogMenu[MENU_QUIT].dp = const_cast<char*>(tr(quitLabel));
    dialogMenu[MENU_FROM_FIRST].dp = const_cast<char*>(tr(fromFirstLabel));
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
    showWindowTitle(bookShownName(book, book_name));
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
    dialogMenu[MENU_FROM_FIRST].flags = resumeAt >= 0 ? 0 : D_HIDDEN;
    sayScreen(menuSaid(player, resumeAt));
    FocusSpeech focusSpeech([](int element) { return static_cast<const char*>(dialogMenu[element].dp); });
    focusSpeech.said(focusedElement(player));
    bool started = false;
    while (!started) {
        std::vector<Command> commands = input.readKeys();
        bool closed = !update_dialog(player) || closeRequested;
        input.readMouse(player, commands);
        pointer.follow();
        for (Command command : commands) {
            silence(); // a key that acts cuts off what was being said
            closed |= !applyMenuCommand(player, command, resumeAt);
            if (command == Command::Help)
                input.resync();
        }
        focusSpeech.follow(focusedElement(player));
        if (closed || (dialogMenu[MENU_QUIT].flags & D_SELECTED)) {
            shutdown_dialog(player);
            destroy_bitmap(background);
            return false;
        }
        if (dialogMenu[MENU_START].flags & D_SELECTED) {
            dialogMenu[MENU_START].flags = 0;
            started = true;
        }
        if (dialogMenu[MENU_FROM_FIRST].flags & D_SELECTED) {
            forgetLeftPage();
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
