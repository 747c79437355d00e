#include "screen/messagebox.h"

#include "input/readerinput.h"
#include "screen/dialogpass.h"
#include "screen/display.h"
#include "screen/focus.h"
#include "speech/readaloud.h"

#include <allegro.h>

#include <algorithm>

namespace {

// The box has room for this many lines at least, as the library's alert.
const int LEAST_LINES = 3;

bool answers(const Message& message, int letter, const ReaderInput& input,
             const std::vector<Command>& commands)
{
    for (Command command : commands)
        if (command == Command::Take || command == Command::Leave)
            return true;
    for (const TypedKey& typed : input.typed()) {
        if (typed.character == 0)
            continue;
        const int character = utolower(typed.character);
        if ((letter && character == utolower(letter))
            || (message.extraKey && character == utolower(message.extraKey)))
            return true;
    }
    return false;
}

// `text` cut into lines no wider than `width` in the GUI's font: at spaces,
// and a word wider than the width alone between its characters (a long
// path). A line that fits is kept whole.
std::vector<std::string> linesWithin(const std::string& text, int width)
{
    std::vector<std::string> lines;
    std::string line;
    const auto fits = [width](const std::string& candidate) { return gui_strlen(candidate.c_str()) <= width; };
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        std::string word = text.substr(at, end - at);
        at = end + 1;
        if (fits(line.empty() ? word : line + " " + word)) {
            line = line.empty() ? word : line + " " + word;
            continue;
        }
        if (!line.empty())
            lines.push_back(line);
        line.clear();
        // A word that does not fit a line of its own goes character by character.
        while (!fits(word)) {
            std::size_t cut = 0;
            while (cut < word.size()) {
                const std::size_t next = cut + uwidth(word.c_str() + cut);
                if (cut > 0 && !fits(word.substr(0, next)))
                    break;
                cut = next;
            }
            lines.push_back(word.substr(0, cut));
            word.erase(0, cut);
        }
        line = word;
    }
    lines.push_back(line);
    return lines;
}

} // namespace

int labelLetter(const std::string& label)
{
    for (std::size_t i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != '&')
            continue;
        if (label[i + 1] == '&') {
            ++i;
            continue;
        }
        return ugetc(label.c_str() + i + 1);
    }
    return 0;
}

std::string shownLabel(const std::string& label)
{
    std::string shown;
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size() && label[i + 1] == '&')
            ++i;
        else if (label[i] == '&')
            continue;
        shown += label[i];
    }
    return shown;
}

void showMessageBox(const Message& message)
{
    // Laid out as the library's alert lays out one button: the box as wide
    // as the longest line, or as the button and three spaces, and four
    // spaces more; a line of text a line apart from the next, the button two
    // lines high a line below the last.
    const int space = text_length(font, " ");
    const int line = text_height(font);
    // A line wider than the screen leaves room for the box's margins and goes
    // on below, as a long reason or path would run off both edges.
    std::vector<std::string> shownLines;
    for (const std::string& text : message.lines)
        for (const std::string& part : linesWithin(text, LOGICAL_W - space * 8))
            shownLines.push_back(part);
    const int lineCount = std::max<int>(LEAST_LINES, static_cast<int>(shownLines.size()));
    int widest = 0;
    for (const std::string& text : shownLines)
        widest = std::max(widest, gui_strlen(text.c_str()));
    const int buttonW = gui_strlen(message.button.c_str()) + space * 3;
    const int boxW = std::max(widest, buttonW) + space * 4;
    const int boxH = line * (lineCount + 5);
    const int boxX = (LOGICAL_W - boxW) / 2;
    const int boxY = (LOGICAL_H - boxH) / 2;

    std::vector<DIALOG> dialog;
    dialog.push_back({d_shadow_box_proc, boxX, boxY, boxW, boxH, gui_fg_color, gui_bg_color, 0, 0,
                      0, 0, nullptr, nullptr, nullptr});
    for (int i = 0; i < lineCount; ++i) {
        const char* text = i < static_cast<int>(shownLines.size()) ? shownLines[i].c_str() : "";
        dialog.push_back({d_ctext_proc, boxX + boxW / 2, boxY + line * (1 + i), 0, line,
                          gui_fg_color, -1, 0, 0, 0, 0, const_cast<char*>(text), nullptr, nullptr});
    }
    // The button hands every key back to the box's own reading, as the
    // screens' buttons do.
    dialog.push_back({reader_button_proc, boxX + boxW / 2 - buttonW / 2, boxY + line * (lineCount + 2),
                      buttonW, line * 2, gui_fg_color, gui_bg_color, 0, D_EXIT, 0, 0,
                      const_cast<char*>(message.button.c_str()), nullptr, nullptr});
    dialog.push_back({nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr});

    // What the box covers, its shadow included, to put back when it closes.
    BITMAP* picture = gui_get_screen();
    BITMAP* under = create_bitmap(boxW + 2, boxH + 2);
    if (under)
        blit(picture, under, boxX, boxY, 0, 0, under->w, under->h);

    std::vector<std::string> said;
    for (const std::string& text : message.lines)
        if (!text.empty())
            said.push_back(text);
    said.push_back(shownLabel(message.button));
    sayScreen(said);

    const int letter = labelLetter(message.button);
    DIALOG_PLAYER* player = startDialog(dialog.data());
    PointerFocus pointer(player);
    // The button has the focus, as in the library's alert: Enter takes it,
    // and the dialog manager hands it every key whole.
    focusElement(player, static_cast<int>(dialog.size()) - 2);
    ReaderInput input; // the key that brought the box up does not answer it
    while (true) {
        std::vector<Command> commands = input.readKeys();
        if (!update_dialog(player) || closeRequested)
            break;
        input.readMouse(player, commands);
        if (answers(message, letter, input, commands))
            break;
        for (Command command : commands) {
            if (command == Command::ReadAloud)
                toggleReadingAloud();
            else if (command == Command::SayAgain)
                sayScreen(said);
        }
        presentChanges();
        rest(PASS_REST_MS);
    }
    shutdown_dialog(player);
    silence();
    if (under) {
        blit(under, picture, 0, 0, boxX, boxY, under->w, under->h);
        destroy_bitmap(under);
    }
    presentChanges();
}
