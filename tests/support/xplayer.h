// Runs the real quorvel program as a child process and drives its window
// from outside, through the X server, the way a reader's mouse and keyboard
// do: XTest for input, XGetImage for screenshots.
#ifndef QUORVEL_XPLAYER_H
#define QUORVEL_XPLAYER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

// A copy of the window's pixels (or of the whole display's).
struct Screenshot {
    int w = 0, h = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, row by row

    Rgb at(int x, int y) const;
    // Saves it as a PNG file (needs the library started, with PNG registered).
    bool save(const std::string& path) const;
};

// What the desktop knows the program's window by.
struct WindowIdentity {
    std::string instance, windowClass; // WM_CLASS
    std::string title;                 // _NET_WM_NAME, UTF-8
    int iconWidth = 0, iconHeight = 0; // the icon's picture (WM_HINTS); 0 for none
};

class XPlayer {
public:
    XPlayer();
    ~XPlayer(); // kills the program if it still runs

    XPlayer(const XPlayer&) = delete;
    XPlayer& operator=(const XPlayer&) = delete;

    // Starts `program` with `args` in `workingDir`, its standard output and
    // error going to `logPath`. False when the X display cannot be opened or
    // the program cannot be started. Once the program has ended, the same
    // player may start it again.
    bool start(const std::string& program, const std::string& workingDir,
               const std::string& logPath, const std::vector<std::string>& args = {});

    // Waits up to `seconds` for the program's window to be shown.
    bool waitForWindow(double seconds);

    // For a program that opens a second window of its class (a book read
    // from the shelf, in a player of its own): waits up to `seconds` for
    // another window than the one followed now, and follows it from then on.
    bool waitForAnotherWindow(double seconds);

    // Waits up to `seconds` for the window followed now, which
    // waitForAnotherWindow found, to be gone, then follows the window
    // followed before it again.
    bool waitForWindowGone(double seconds);

    // Takes a screenshot of the window, whole; empty when there is none.
    Screenshot grab();

    // Takes a screenshot of the w x h pixels at (x, y) of the window (or of
    // the display); empty when that is not all inside it.
    Screenshot grabArea(int x, int y, int w, int h);

    // Reads the window's class, title and icon; false when there is no window.
    bool identity(WindowIdentity& seen);

    // The window's inner size, in display pixels; false when there is none.
    bool windowSize(int& w, int& h);

    // For a program that shows each of its pixels as a `scale` x `scale`
    // block: click() looks for the pressed button over as many of its pixels.
    void showsPixelsAs(int scale);

    // For a program in full screen, whose picture is not in its named window:
    // while `whole` holds, grab() shows the whole display, click() aims at
    // display coordinates and pressKey() leaves the keyboard focus alone.
    void aimAtWholeDisplay(bool whole);

    // Takes screenshots until `ready` holds for one, for up to `seconds`.
    // Returns the last screenshot taken, in `shot`.
    bool waitForScreen(const std::function<bool(const Screenshot&)>& ready, double seconds,
                       Screenshot& shot);

    // Moves the pointer to (x, y) of the window and clicks the left button
    // on the button that lies there: the button is held until the program
    // draws it pressed (its look around (x, y) changes), then released.
    // False when no press was seen within a few seconds of trying.
    bool click(int x, int y);

    // Brings the window above the others, as a reader's click on it would.
    void raise();

    // Presses and releases the key of `keysym` (an X KeySym) in the window,
    // held for `holdMs` milliseconds.
    void pressKey(unsigned long keysym, int holdMs = 20);

    // Asks the window to close, as its close button does (nothing without
    // a window, as in full screen).
    void pressCloseButton();

    // The program's process id; -1 when it does not run.
    int pid() const;

    // Waits up to `seconds` for the program to end. Returns its exit status,
    // or -1 when it still runs or was ended by a signal.
    int waitForExit(double seconds);

private:
    struct State;
    std::unique_ptr<State> state;
};

#endif
