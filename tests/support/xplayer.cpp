#include "xplayer.h"

#include <allegro.h>
#include <loadpng.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool timeLeft(Clock::time_point start, double seconds)
{
    return std::chrono::duration<double>(Clock::now() - start).count() < seconds;
}

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The library names its window after set_window_title.
const char* const WINDOW_TITLE = "Quorvel";

Window findWindow(Display* display, Window under)
{
    char* name = nullptr;
    if (XFetchName(display, under, &name) && name) {
        const bool found = std::strcmp(name, WINDOW_TITLE) == 0;
        XFree(name);
        if (found)
            return under;
    }
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    Window result = 0;
    if (XQueryTree(display, under, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !result; ++i)
            result = findWindow(display, children[i]);
        if (children)
            XFree(children);
    }
    return result;
}

} // namespace

Rgb Screenshot::at(int x, int y) const
{
    const uint32_t p = pixels[static_cast<std::size_t>(y) * w + x];
    return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
            static_cast<int>(p & 0xFF)};
}

bool Screenshot::save(const std::string& path) const
{
    if (w == 0)
        return false;
    BITMAP* bmp = create_bitmap_ex(24, w, h);
    if (!bmp)
        return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = at(x, y);
            putpixel(bmp, x, y, makecol24(c.r, c.g, c.b));
        }
    const bool saved = save_png(path.c_str(), bmp, nullptr) == 0;
    destroy_bitmap(bmp);
    return saved;
}

struct XPlayer::State {
    Display* display = nullptr;
    Window window = 0;
    pid_t pid = -1;
    int status = -1;
    Clock::time_point lastRelease; // of the left button
    bool pointerSettled = false;   // the program has seen the pointer where it is
};

namespace {

// The library takes a press within about 240 ms of the last release for the
// second half of a double click, not for a click of its own; a reader's
// hand is never that quick between two choices.
const std::chrono::milliseconds DOUBLE_CLICK_TIME(400);

// True when most of the 6 x 6 pixels above and left of (x, y) differ
// between the shots. The mouse pointer, drawn by the program with its tip at
// (x, y), covers what lies below and right of it.
bool changedAround(const Screenshot& before, const Screenshot& now, int x, int y)
{
    if (before.w == 0 || now.w == 0)
        return false;
    int changed = 0, compared = 0;
    for (int py = std::max(0, y - 6); py <= std::min(now.h - 1, y - 1); ++py)
        for (int px = std::max(0, x - 6); px <= std::min(now.w - 1, x - 1); ++px) {
            ++compared;
            const Rgb a = before.at(px, py), b = now.at(px, py);
            changed += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 48;
        }
    return changed * 2 > compared;
}

} // namespace

XPlayer::XPlayer() : state(new State) {}

XPlayer::~XPlayer()
{
    if (state->pid > 0) {
        kill(state->pid, SIGKILL);
        waitpid(state->pid, nullptr, 0);
    }
    if (state->display)
        XCloseDisplay(state->display);
}

bool XPlayer::start(const std::string& program, const std::string& workingDir,
                    const std::string& logPath, const std::vector<std::string>& args)
{
    if (!state->display)
        state->display = XOpenDisplay(nullptr);
    if (!state->display)
        return false;
    int event, error, major, minor;
    if (!XTestQueryExtension(state->display, &event, &error, &major, &minor))
        return false;
    // Made before the fork: the child only calls what is safe there.
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        if (chdir(workingDir.c_str()) != 0)
            _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    state->pid = pid;
    state->pointerSettled = false;
    return true;
}

bool XPlayer::waitForWindow(double seconds)
{
    const auto start = Clock::now();
    while (timeLeft(start, seconds)) {
        const Window found = findWindow(state->display, DefaultRootWindow(state->display));
        if (found) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(state->display, found, &attributes)
                && attributes.map_state == IsViewable && attributes.width >= 640
                && attributes.height >= 480) {
                state->window = found;
                return true;
            }
        }
        if (waitForExit(0) != -1 || state->pid < 0)
            return false; // the program ended before showing a window
        pause(10);
    }
    return false;
}

Screenshot XPlayer::grab()
{
    Screenshot shot;
    if (!state->window)
        return shot;
    XImage* image =
        XGetImage(state->display, state->window, 0, 0, 640, 480, AllPlanes, ZPixmap);
    if (!image)
        return shot;
    // Masks give each channel's place and width, whatever the display's depth.
    auto channel = [](unsigned long pixel, unsigned long mask) {
        if (!mask)
            return 0;
        int shift = 0;
        while (!(mask >> shift & 1))
            ++shift;
        const unsigned long max = mask >> shift;
        return static_cast<int>(((pixel & mask) >> shift) * 255 / max);
    };
    shot.w = 640;
    shot.h = 480;
    shot.pixels.resize(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const uint32_t r = channel(p, image->red_mask);
            const uint32_t g = channel(p, image->green_mask);
            const uint32_t b = channel(p, image->blue_mask);
            shot.pixels[static_cast<std::size_t>(y) * 640 + x] = r << 16 | g << 8 | b;
        }
    XDestroyImage(image);
    return shot;
}

bool XPlayer::waitForScreen(const std::function<bool(const Screenshot&)>& ready, double seconds,
                            Screenshot& shot)
{
    const auto start = Clock::now();
    do {
        shot = grab();
        if (shot.w && ready(shot))
            return true;
        pause(10);
    } while (timeLeft(start, seconds));
    return false;
}

bool XPlayer::click(int x, int y)
{
    XRaiseWindow(state->display, state->window);
    const auto sinceRelease = Clock::now() - state->lastRelease;
    if (sinceRelease < DOUBLE_CLICK_TIME)
        std::this_thread::sleep_for(DOUBLE_CLICK_TIME - sinceRelease);
    if (!state->pointerSettled) {
        // The library misplaces the first moves after the pointer enters
        // its window; a hand that comes to rest on the spot gets there.
        for (int step = 3; step > 0; --step) {
            XWarpPointer(state->display, None, state->window, 0, 0, 0, 0, x + step, y + step);
            XFlush(state->display);
            pause(80);
        }
        state->pointerSettled = true;
    }
    const auto start = Clock::now();
    // A press the program did not see over the button leaves the button as
    // it was: the hand moves again and tries once more.
    do {
        XWarpPointer(state->display, None, state->window, 0, 0, 0, 0, x, y);
        XFlush(state->display);
        // The program may draw the button it points at anew (its focus):
        // the press is looked for once the spot has stopped changing.
        Screenshot before = grab();
        const auto moved = Clock::now();
        for (bool steady = false; !steady && timeLeft(moved, 1.0);) {
            pause(20);
            const Screenshot again = grab();
            steady = !changedAround(before, again, x, y);
            before = again;
        }
        XTestFakeButtonEvent(state->display, 1, True, CurrentTime);
        XFlush(state->display);
        // The program samples the button once per pass and draws a held
        // button pressed until it is let go.
        const auto pressed = Clock::now();
        bool seen = false;
        do {
            seen = changedAround(before, grab(), x, y);
            if (!seen)
                pause(10);
        } while (!seen && timeLeft(pressed, 2.0));
        XTestFakeButtonEvent(state->display, 1, False, CurrentTime);
        XFlush(state->display);
        state->lastRelease = Clock::now();
        if (seen)
            return true;
        // A program too busy to draw the press in time may still take the
        // click: then the screen has changed there, and it is not repeated.
        pause(static_cast<int>(DOUBLE_CLICK_TIME.count()));
        if (changedAround(before, grab(), x, y))
            return true;
    } while (timeLeft(start, 8.0));
    return false;
}

void XPlayer::pressKey(unsigned long keysym)
{
    XSetInputFocus(state->display, state->window, RevertToParent, CurrentTime);
    const KeyCode code = XKeysymToKeycode(state->display, keysym);
    // The program queues key presses as they come: a short press is enough.
    XTestFakeKeyEvent(state->display, code, True, CurrentTime);
    XFlush(state->display);
    pause(20);
    XTestFakeKeyEvent(state->display, code, False, CurrentTime);
    XFlush(state->display);
}

void XPlayer::pressCloseButton()
{
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = state->window;
    event.xclient.message_type = XInternAtom(state->display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] =
        static_cast<long>(XInternAtom(state->display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(state->display, state->window, False, NoEventMask, &event);
    XFlush(state->display);
}

int XPlayer::pid() const
{
    return state->pid;
}

int XPlayer::waitForExit(double seconds)
{
    if (state->pid < 0)
        return state->status;
    const auto start = Clock::now();
    do {
        int status = 0;
        if (waitpid(state->pid, &status, WNOHANG) == state->pid) {
            state->pid = -1;
            state->window = 0;
            state->status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return state->status;
        }
        pause(20);
    } while (timeLeft(start, seconds));
    return -1;
}
