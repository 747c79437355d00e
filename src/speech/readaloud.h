// Reading aloud: what the player's screens say, while the reader has it on,
// through the desktop's speech service (speech/speaker.h). This is the one
// speech interface of the screens; a screen
// - says itself when it opens, and its whole again for R: sayScreen() with
//   its texts in reading order (a page: its title, its text, its choices in
//   the order the digit keys take them, "1: …", then Menu);
// - says the focused button at once when the focus moves: sayFocus();
// - cuts off what is being said when a key acts: silence();
// - passes V to toggleReadingAloud().
// Every call returns at once, whatever the service does. Each text is said
// in the language of its script (speech/scriptruns.h) for the reader's
// language (app/language.h).
//
// When the service is missing or stops answering while reading aloud is
// on, a notice says so on the screen (screen/notice.h) and one line on
// standard error, once a run, and the reading goes on silently; V turned on
// again tries the service anew. Main thread only.
#ifndef QUORVEL_READALOUD_H
#define QUORVEL_READALOUD_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Starts the speech thread; reading aloud is on from the start when `on`
// (speech:YES; in the settings, or --speech). Has the display look at the
// service once a pass. Call once, after the display is up.
void startReadingAloud(bool on);

// Ends the speech thread, waiting for it a moment at most.
void endReadingAloud();

// True while reading aloud is on.
bool readingAloud();

// Cuts off what is being said, then says `texts` in order. Nothing while
// reading aloud is off; empty texts are passed over.
void sayScreen(const std::vector<std::string>& texts);

// Cuts off what is being said, then says `text`: the button the focus has
// moved to.
void sayFocus(const std::string& text);

// Cuts off what is being said.
void silence();

// V: turns reading aloud on or off, and says which, aloud (before it stops)
// and in a notice. Turned on, it tries again a service that was missing or
// lost; a second notice says so when it still is.
void toggleReadingAloud();

// The focus's part in reading aloud, for a screen's loop: says the element
// the focus moves to, as `textOf` tells it, once a pass.
class FocusSpeech {
public:
    // `textOf`: what to say for an element of the screen.
    explicit FocusSpeech(std::function<std::string(int element)> textOf)
        : textOf_(std::move(textOf)) {}

    // Takes `focused` (an element, or -1 for none) as the focus already
    // said (the screen said it with the rest of itself).
    void said(int focused) { last_ = focused; }

    // Call once a pass with the element that has the focus now (-1: none):
    // says it when the focus moved to it since the last call.
    void follow(int focused);

private:
    std::function<std::string(int)> textOf_;
    int last_ = -1;
};

// The texts reading aloud shows or says of its own, in the reader's
// language: for the book checker's look at the font.
std::vector<std::string> readAloudOwnTexts();

#endif
