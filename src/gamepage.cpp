#include "gamepage.h"

#include "app/language.h"
#include "app/report.h"
#include "app/startfiles.h"
#include "book/book.h"
#include "book/openprogress.h"
#include "book/reading.h"
#include "book/reload.h"
#include "book/resume.h"
#include "init.h"
#include "input/readerinput.h"
#include "media/compose.h"
#include "media/media.h"
#include "media/pagesound.h"
#include "screen/backdrop.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "screen/focus.h"
#include "screen/keyhelp.h"
#include "screen/messagebox.h"
#include "screen/window.h"
#include "speech/readaloud.h"
#include "text/buffers.h"
#include "title.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

static char placeholderText[] = "text на русском";
static char nextLabel[] = "Next Page";
static char secondLabel[] = "Second";
static char thirdLabel[] = "Third";
char menuButtonLabel[] = N_("Menu");
const char endAlertButton[] = N_("&Выход");

// The raw colour the text box and the buttons have in the table. It is never
// drawn: changePage gives each of them the page's grey (pageGrey) or hides it.
static const int BG_UNTIL_A_PAGE = 666;

DIALOG dialogGamePage[] = {
    // proc, x, y, w, h, fg, bg, key, flags, d1, d2, dp, dp2, dp3
    {backdrop_proc, 0, 0, LOGICAL_W, LOGICAL_H, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
    {reader_textbox_proc, TEXT_BOX.x, TEXT_BOX.y, TEXT_BOX.w, TEXT_BOX.h, 0, BG_UNTIL_A_PAGE, 0, 0, 0, 0, placeholderText, nullptr, nullptr},
    {my_bitmap_proc, ILLUSTRATION_AREA_X, ILLUSTRATION_AREA_Y, ILLUSTRATION_AREA_W, ILLUSTRATION_AREA_H, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
    // The choices' places and widths are set from their labels as they are
    // drawn (choiceBox); Menu stands at MENU_BOX.
    {right_button_proc, 540, CHOICE_Y, 92, CHOICE_H, 0, BG_UNTIL_A_PAGE, 0, 0, 0, 0, nextLabel, nullptr, nullptr},
    {middle_button_proc, 232, CHOICE_Y, 92, CHOICE_H, 0, BG_UNTIL_A_PAGE, 0, 0, 0, 0, secondLabel, nullptr, nullptr},
    {left_button_proc, 10, CHOICE_Y, 92, CHOICE_H, 0, BG_UNTIL_A_PAGE, 0, 0, 0, 0, thirdLabel, nullptr, nullptr},
    {reader_button_proc, MENU_BOX.x, MENU_BOX.y, MENU_BOX.w, MENU_BOX.h, 0, BG_UNTIL_A_PAGE, 0, D_EXIT, 0, 0, menuButtonLabel, nullptr, nullptr},
    {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
};

// The light grey behind the page's text and on its buttons.
static int pageGrey()
{
    return makecol(225, 225, 225);
}

DIALOG* background_picture = nullptr;
DIALOG* field_text_main = nullptr;
DIALOG* field_pico_main = nullptr;
DIALOG* button_1 = nullptr;
DIALOG* button_2 = nullptr;
DIALOG* button_3 = nullptr;
DIALOG* button_exit = nullptr;

DIALOG_PLAYER* player = nullptr;

// What the page on screen draws in place of its own background and
// illustration when they have an alpha channel: each composed over what
// lies under it. Null when the page's own picture is drawn.
static BITMAP* composedBackground = nullptr;
static BITMAP* composedPico = nullptr;

static void releaseComposedPictures()
{
    for (BITMAP** composed : {&composedBackground, &composedPico}) {
        if (*composed)
            destroy_bitmap(*composed);
        *composed = nullptr;
    }
}

// The background as it is drawn: over black where it is transparent.
static BITMAP* backgroundToDraw(BITMAP* background)
{
    if (!hasAlpha(background))
        return background;
    composedBackground = composeOver(nullptr, 0, 0, background->w, background->h, background);
    return composedBackground ? composedBackground : background;
}

// The illustration as it is drawn: over the part of `background` it covers
// where it is transparent, cut to its area.
static BITMAP* picoToDraw(BITMAP* pico, BITMAP* background)
{
    if (!hasAlpha(pico))
        return pico;
    const int x = illustrationX(pico->w, field_pico_main->x);
    composedPico = composeOver(background, x, field_pico_main->y,
                               std::min(pico->w, field_pico_main->w),
                               std::min(pico->h, field_pico_main->h), pico);
    return composedPico ? composedPico : pico;
}

static Gamedata* currentPage()
{
    return gamedataPages[cur_page];
}

// Ends the player, naming the file, when a file the page on screen needs
// turned out to be one it cannot decode: there is no way to show the page.
static void endOn(const std::optional<Problem>& problem)
{
    if (problem)
        cannotLoadBecause(*problem);
}

// The decoded picture of `file` (null: the page has none) for the page on
// screen; a picture that cannot be decoded ends the player.
static BITMAP* neededPicture(MediaFile* file)
{
    if (!file)
        return nullptr;
    const Result<BITMAP*> picture = decodedPicture(file);
    endOn(picture.problem);
    return picture.value;
}

// Shows a choice's label, or hides the button when the page has none.
static void applyLabel(DIALOG* button, char* label)
{
    if (label) {
        button->dp = label;
        button->bg = pageGrey();
        button->flags = D_DIRTY;
    } else {
        button->flags = D_HIDDEN;
    }
}

// Queues the files of `page` to be decoded while the reader reads.
static void readAhead(const Gamedata* page)
{
    for (MediaFile* file : {page->background, page->pico, page->sound})
        if (file)
            queueDecodeAhead(file);
}

// Read-ahead for the pages the reader may go to from the page on screen:
// those its shown choices lead to, first choice first, then the page Back
// returns to.
static void readAheadFromPage()
{
    for (int choice = 1; choice <= CHOICES_PER_PAGE; ++choice) {
        if (!currentPage()->getButText(choice))
            continue;
        const int target = pageAfterChoice(cur_page, choice);
        if (target != BOOK_ENDS)
            readAhead(gamedataPages[target]);
    }
    int previous = 0;
    if (previousPage(previous) && previous >= 0
        && previous < static_cast<int>(gamedataPages.size()))
        readAhead(gamedataPages[previous]);
}

Message endOfBookMessage()
{
    Message end;
    end.lines = {end_message_1, end_message_2, end_message_3};
    end.button = tr(endAlertButton);
    end.extraKey = ALERT_KEY;
    return end;
}

// The choices in the order the digit keys take them: counted from the left
// of the screen, the hidden ones passed over.
static const std::vector<int> choicesOnScreen = {PAGE_THIRD_CHOICE, PAGE_SECOND_CHOICE,
                                                 PAGE_FIRST_CHOICE};

static bool isShown(int element)
{
    return !(dialogGamePage[element].flags & D_HIDDEN);
}

// What reading aloud says for an element of the page: a choice with the
// digit that takes it ("1: Go on"), or Menu.
static std::string elementSaid(int element)
{
    const char* label = static_cast<const char*>(dialogGamePage[element].dp);
    int digit = 0;
    for (int choice : choicesOnScreen) {
        if (isShown(choice))
            ++digit;
        if (choice == element)
            return std::to_string(digit) + ": " + label;
    }
    return label;
}

std::vector<std::string> pageSaid()
{
    std::vector<std::string> said;
    const Gamedata* page = currentPage();
    if (page->roomName)
        said.push_back(page->roomName);
    if (isShown(PAGE_TEXT))
        said.push_back(static_cast<const char*>(field_text_main->dp));
    for (int choice : choicesOnScreen)
        if (isShown(choice))
            said.push_back(elementSaid(choice));
    said.push_back(elementSaid(PAGE_MENU));
    return said;
}

int changePage(int index)
{
    releaseComposedPictures();
    clearDecodeAhead();
    // BOOK_ENDS, or any index outside the page list.
    if (index < 0 || index >= static_cast<int>(gamedataPages.size())) {
        setOnScreen({});
        showMessageBox(endOfBookMessage());
        freePages();
        return -1;
    }
    Gamedata* page = currentPage();
    // Held before anything is decoded, so that decoding one of them never
    // evicts another.
    setOnScreen({page->background, page->pico, page->sound});

    BITMAP* background = backgroundToDraw(neededPicture(page->background));
    background_picture->dp = background;
    background_picture->flags = D_DIRTY;

    if (BITMAP* pico = neededPicture(page->pico)) {
        field_pico_main->dp = picoToDraw(pico, background);
        field_pico_main->flags = D_DIRTY;
    } else {
        field_pico_main->flags = D_HIDDEN;
    }

    endOn(playPageSound(page->sound, page->getSoundLoop()));

    if (char* text = page->getText()) {
        field_text_main->dp = text;
        field_text_main->bg = pageGrey();
        field_text_main->flags = D_DIRTY;
        field_text_main->d2 = 0; // every page's text starts at its top
    } else {
        field_text_main->flags = D_HIDDEN;
    }

    applyLabel(button_1, page->but1Text);
    applyLabel(button_2, page->but2Text);
    applyLabel(button_3, page->but3Text);

    // Assigned whole: from here on Menu acts through its selected flag.
    button_exit->dp = const_cast<char*>(tr(menuButtonLabel));
    button_exit->bg = pageGrey();
    button_exit->flags = D_DIRTY;

    readAheadFromPage();
    sayScreen(pageSaid());
    return 0;
}

// The room name in the top left corner, cut to a drawn line at a whole
// character, on the picture the dialog manager draws on.
static void drawRoomName()
{
    const char* roomName = currentPage()->roomName;
    if (!roomName)
        return;
    char line[DRAWN_LINE_SIZE];
    copyCut(line, sizeof line, roomName);
    textout_ex(gui_get_screen(), font, line, TITLE_X, TITLE_Y,
               makecol(TITLE_RGB[0], TITLE_RGB[1], TITLE_RGB[2]), -1);
}

// Leaves the book for the title menu.
static int leaveBook()
{
    if (const std::optional<Problem> unkept = rememberLeftPage(cur_page, readingHistory()))
        complain("cannot keep the page to resume at in " + quoted(unkept->file) + ": "
                 + unkept->phrase);
    stopPageSound();
    releaseComposedPictures();
    clearDecodeAhead();
    setOnScreen({});
    freePages();
    shutdown_dialog(player);
    player = nullptr;
    return 0;
}

// F5: reads the book again, so that an author sees an edit at once, and
// shows the same page, or page 1 when the book has no such page now. When
// the new reading fails, an alert says where, and the open book stays.
// Returns true when the book has ended.
static bool reloadBook()
{
    stopPageSound(); // the old pages and their sounds may be freed
    if (const std::optional<Problem> problem = rereadBook()) {
        const std::string where =
            problem->file + (problem->line > 0 ? ":" + std::to_string(problem->line) : "");
        showMessageBox({{tr("The book was not read again:"), where, problem->phrase}, tr("&OK")});
    } else if (cur_page >= static_cast<int>(gamedataPages.size())) {
        cur_page = 0;
    }
    return changePage(cur_page) != 0;
}

void bindPageElements()
{
    background_picture = &dialogGamePage[PAGE_BACKGROUND];
    field_text_main = &dialogGamePage[PAGE_TEXT];
    field_pico_main = &dialogGamePage[PAGE_PICTURE];
    button_1 = &dialogGamePage[PAGE_FIRST_CHOICE];
    button_2 = &dialogGamePage[PAGE_SECOND_CHOICE];
    button_3 = &dialogGamePage[PAGE_THIRD_CHOICE];
    button_exit = &dialogGamePage[PAGE_MENU];
}

// What the keys do on a page.

// Tab goes round the choices, then Menu; Enter and Space may take any of them.
static const std::vector<int> tabOrder = {PAGE_THIRD_CHOICE, PAGE_SECOND_CHOICE,
                                          PAGE_FIRST_CHOICE, PAGE_MENU};

// What a command leaves for the page screen to do.
enum class PageRequest {
    None,   // done, or nothing to do
    Leave,  // back to the title menu (Esc)
    Back,   // to the page before the last choice
    About,  // the about box
    Reload, // read the book again
    Help,   // the keys of the page
};

// Lines the text box shows at once, counted as the library's text box
// counts them (a 4-pixel margin above and below).
static int shownLines()
{
    return textBoxLines(text_height(font));
}

// Scrolls the text box so that its line `top` is the first one shown,
// within the text's bounds.
static void scrollTextTo(int top)
{
    DIALOG* box = field_text_main;
    if (box->flags & D_HIDDEN)
        return;
    // d1 is the text's line count, as the box measured it when drawn.
    const int last = std::max(0, box->d1 - shownLines());
    top = std::clamp(top, 0, last);
    if (top != box->d2) {
        box->d2 = top;
        box->flags |= D_DIRTY;
    }
}

static void scrollTextBy(int lines)
{
    const long long top = static_cast<long long>(field_text_main->d2) + lines;
    scrollTextTo(static_cast<int>(std::clamp<long long>(top, INT_MIN, INT_MAX)));
}

// Selects the `n`th visible choice counted from the left, when there is one.
static void pick(int n)
{
    int seen = 0;
    for (int element : choicesOnScreen)
        if (isShown(element) && ++seen == n) {
            dialogGamePage[element].flags |= D_SELECTED;
            return;
        }
}

// The element a key starts from on a page: its first choice (the way on)
// when it has one, else its leftmost choice, else Menu.
static int pageHomeElement()
{
    if (isShown(PAGE_FIRST_CHOICE))
        return PAGE_FIRST_CHOICE;
    for (int element : choicesOnScreen)
        if (isShown(element))
            return element;
    return PAGE_MENU;
}

// Gives the focus to pageHomeElement() when the reader reads with keys,
// so that a new page shows at once what Enter takes.
static void focusPageForKeys()
{
    if (readingWithKeys())
        focusElement(player, pageHomeElement());
}

// Carries out `command` on the page on screen (the elements of
// dialogGamePage, through `player`): scrolls the text box, moves the focus
// between the visible choices in screen order (left, middle, right), or
// selects a choice or Menu as a click does, for the screen to act on. Takes
// the choices counted from the left of the screen for Pick1..Pick3. Returns
// what it leaves to the screen.
static PageRequest applyPageCommand(Command command)
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
        scrollTextBy(-shownLines());
        break;
    case Command::PageDown:
        scrollTextBy(shownLines());
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
    case Command::ReadAloud:
        toggleReadingAloud();
        break;
    case Command::SayAgain:
        sayScreen(pageSaid());
        break;
    case Command::Help:
        return PageRequest::Help;
    case Command::WheelUp:
    case Command::WheelDown:
        // As the library's text box answers the wheel, while the pointer is over it.
        if (player->mouse_obj == PAGE_TEXT && isShown(PAGE_TEXT))
            object_message(field_text_main, MSG_WHEEL, command == Command::WheelUp ? 1 : -1);
        break;
    }
    return PageRequest::None;
}

// Why the last loadBook could not read the book file; none when it could.
static std::optional<Problem> bookUnread;

// Says that the book file cannot be opened, naming the path looked for and
// why (missing, not a regular file, saved as UTF-16...), in a message box
// and on standard error for whoever started the player from a terminal.
static void cannotOpenBook()
{
    const std::string path = quoted(bookFilePath());
    std::vector<std::string> lines = {tr("Can not open the book"), path};
    if (bookUnread) {
        complain(quoted(bookUnread->file) + " " + bookUnread->phrase);
        lines.push_back(bookUnread->phrase);
    }
    complain("can not open the book " + path + " in " + currentDirectory());
    showMessageBox({lines, tr("&OK")});
    clear_keybuf();
}

bool loadBook(const BookProgress& progress)
{
    const std::string path = bookFilePath();
    std::optional<Problem> firstNotLoaded;
    const std::optional<Problem> unread = readBook(
        path.c_str(),
        [&firstNotLoaded](const BookEvent& event) {
            if (event.kind == BookEventKind::FileNotLoaded && !firstNotLoaded)
                firstNotLoaded = event.problem;
        },
        progress);
    endOn(firstNotLoaded);
    bookUnread = unread;
    return !unread;
}

// Leaves the page by choice `choice` (1 to 3) for the page it leads to.
// Returns false when the book ended there.
static bool followChoice(int choice)
{
    stopPageSound();
    rememberPage(cur_page);
    cur_page = pageAfterChoice(cur_page, choice);
    if (changePage(cur_page) != 0)
        return false;
    focusPageForKeys();
    return true;
}

// Returns to the page the reader left by the last choice, its sound started
// anew. Returns false, doing nothing, at the first page of the reading.
static bool goBack()
{
    int previous = 0;
    if (!takePreviousPage(previous))
        return false;
    stopPageSound();
    cur_page = previous;
    changePage(cur_page); // a page shown before lies within the book
    focusPageForKeys();
    return true;
}

int gamePage(int firstIndex, int* pageCount)
{
    gamedataPages.reserve(12);
    bindPageElements();

    cur_page = 0;
    const bool opened = loadBook(openingProgress());
    if (closeRequested) { // closed while the book was opening: it was not kept
        freePages();
        return 0;
    }
    if (pageCount)
        *pageCount = static_cast<int>(gamedataPages.size());
    if (!opened) {
        cannotOpenBook();
        return 0;
    }
    showWindowTitle(bookShownName(book, book_name));
    if (firstIndex != FROM_THE_START) {
        if (firstIndex < 0 || firstIndex >= static_cast<int>(gamedataPages.size())) {
            freePages();
            return PAGE_NOT_IN_BOOK;
        }
        cur_page = firstIndex;
    } else {
        // Where the reader left this book, when that is remembered; what is
        // remembered but no longer fits the book is forgotten.
        const int resumed = rememberedPage(static_cast<int>(gamedataPages.size()));
        if (resumed < 0)
            forgetLeftPage();
        cur_page = std::max(resumed, 0);
    }
    startReading(); // before the first page, which reads ahead where Back leads
    if (firstIndex == FROM_THE_START && cur_page > 0)
        startReadingFrom(rememberedHistory(static_cast<int>(gamedataPages.size())));
    if (changePage(cur_page) != 0) {
        clear_keybuf();
        return -1;
    }
    openScreen();
    player = startDialog(dialogGamePage);
    PointerFocus pointer(player);
    focusPageForKeys();
    ReaderInput input; // what is held now (the key that opened the book) does not count

    // The room name is drawn after each pass that drew the page's background
    // (screen/backdrop.h). The buttons and the text box never cover it, so
    // the other passes need not touch it. From a change of page until its
    // background is drawn, the page waits to be shown.
    takeBackdropDrawn(); // a note left by the screen before counts for nothing
    bool pageToShow = true;
    bool ended = false;
    FocusSpeech focusSpeech(elementSaid);
    focusSpeech.said(focusedElement(player));
    while (!ended) {
        std::vector<Command> commands = input.readKeys();
        if (!update_dialog(player) || closeRequested)
            return leaveBook();
        input.readMouse(player, commands);
        pointer.follow();
        if (takeBackdropDrawn()) {
            drawRoomName();
            pageToShow = false;
        }
        bool pageChanged = false; // in this pass: the new page has been said whole

        for (Command command : commands) {
            silence(); // a key that acts cuts off what was being said
            switch (applyPageCommand(command)) {
            case PageRequest::Leave:
                return leaveBook();
            case PageRequest::Back:
                pageChanged |= goBack();
                pageToShow |= pageChanged;
                break;
            case PageRequest::About:
                pausePageSound(); // the about box runs a loop of its own
                showAbout();
                endOn(resumePageSound());
                input.resync();
                break;
            case PageRequest::Help:
                pausePageSound(); // the help runs a loop of its own
                showKeyHelp(KeyScreen::Page);
                endOn(resumePageSound());
                input.resync();
                break;
            case PageRequest::Reload:
                ended = reloadBook();
                startReading(); // the pages behind may be gone or numbered anew
                focusPageForKeys();
                input.resync();
                pageToShow = pageChanged = true;
                break;
            case PageRequest::None:
                break;
            }
            if (ended)
                break;
        }
        if (!ended && (button_exit->flags & D_SELECTED))
            return leaveBook();

        if (!ended && (button_1->flags & D_SELECTED)) {
            button_1->flags = D_DIRTY;
            ended = !followChoice(1);
            pageToShow = pageChanged = true;
        }
        if (!ended && (button_2->flags & D_SELECTED)) {
            ended = !followChoice(2);
            pageToShow = pageChanged = true;
        }
        if (!ended && (button_3->flags & D_SELECTED)) {
            ended = !followChoice(3);
            pageToShow = pageChanged = true;
        }
        if (!ended) {
            endOn(feedPageSound());
            // A new page was said whole, the focus it starts with included.
            if (pageChanged)
                focusSpeech.said(focusedElement(player));
            else
                focusSpeech.follow(focusedElement(player));
        }
        presentChanges(); // what the pass drew shows before it rests
        // Read-ahead comes after what the pass drew is shown, and waits while
        // a change is still to be drawn, so that a new page shows first. The
        // sound is fed after a slice too, so that a slice never takes the
        // time its buffer was filled for.
        if (!ended && !pageToShow) {
            decodeAheadSlice();
            endOn(feedPageSound());
        }
        rest(PASS_REST_MS); // give the processor back between passes
    }
    forgetLeftPage(); // read to its end: the next reading starts afresh
    clear_keybuf();
    shutdown_dialog(player);
    player = nullptr;
    return -1;
}

// Places choice `choice` by the width of its label in the current font.
static int placed_choice_proc(int choice, int msg, DIALOG* d, int c)
{
    if (msg == MSG_DRAW) {
        const Box box = choiceBox(choice, text_length(font, static_cast<const char*>(d->dp)));
        d->x = box.x;
        d->w = box.w;
    }
    return reader_button_proc(msg, d, c);
}

int right_button_proc(int msg, DIALOG* d, int c)
{
    return placed_choice_proc(1, msg, d, c);
}

int middle_button_proc(int msg, DIALOG* d, int c)
{
    return placed_choice_proc(2, msg, d, c);
}

int left_button_proc(int msg, DIALOG* d, int c)
{
    return placed_choice_proc(3, msg, d, c);
}

int my_bitmap_proc(int msg, DIALOG* d, int c)
{
    const bool onPage = cur_page >= 0 && cur_page < static_cast<int>(gamedataPages.size());
    if (msg == MSG_DRAW && onPage && currentPage()->getPico()) {
        d->x = illustrationX(currentPage()->getPicoW(), d->x);
    }
    return d_bitmap_proc(msg, d, c);
}
