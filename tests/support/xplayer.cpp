#include "xplayer.h"

#include "screen/window.h"

#include "app/startlibrary.h"

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

// Every window of the player's class (WM_CLASS) at or under `under`.
void findWindows(Display* display, Window under, std::vector<Window>& found)
{
    XClassHint hint;
    if (XGetClassHint(display, under, &hint)) {
        const bool ours = hint.res_class && std::strcmp(hint.res_class, WINDOW_CLASS) == 0;
        XFree(hint.res_name);
        XFree(hint.res_class);
        if (ours) {
            found.push_back(under);
            return;
        }
    }
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, under, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i)
            findWindows(display, children[i], found);
        if (children)
            XFree(children);
    }
}

// The player's windows on `display`.
std::vector<Window> namedWindows(Display* display)
{
    std::vector<Window> found;
    findWindows(display, DefaultRootWindow(display), found);
    return found;
}

XErrorHandler libraryErrorHandler = nullptr;

// The program's windows go when it ends, at any moment of a look at them:
// a request about a window that is gone fails, as the caller sees from its
// result, instead of ending the test. Other errors go on to Xlib's handler.
int toleratingGoneWindows(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable
        || error->error_code == BadMatch)
        return 0;
    return libraryErrorHandler ? libraryErrorHandler(display, error) : 0;
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
    std::vector<Window> othersWindows; // there before the program started
    bool wholeDisplay = false;
    int pictureScale = 1;
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
// The shortest a hand holds a mouse button down in a click.
const std::chrono::milliseconds MIN_CLICK_HOLD(60);

// True when most of the `reach` x `reach` pixels above and left of (x, y)
// differ between the shots. The mouse pointer, drawn by the program with its
// tip at (x, y), covers what lies below and right of it.
bool changedAround(const Screenshot& before, const Screenshot& now, int x, int y, int reach)
{
    if (before.w == 0 || now.w == 0)
        return false;
    int changed = 0, compared = 0;
    for (int py = std::max(0, y - reach); py <= std::min(now.h - 1, y - 1); ++py)
        for (int px = std::max(0, x - reach); px <= std::min(now.w - 1, x - 1); ++px) {
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
    // The server may be resetting as the program before leaves it.
    if (!state->display)
        connectToDisplay([&] { return (state->display = XOpenDisplay(nullptr)) != nullptr; });
    if (!state->display)
        return false;
    if (!libraryErrorHandler)
        libraryErrorHandler = XSetErrorHandler(toleratingGoneWindows);
    int event, error, major, minor;
    if (!XTestQueryExtension(state->display, &event, &error, &major, &minor))
        return false;
    // Made before the fork: the child only calls what is safe there.
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    // Other programs of the same name may run beside it: their windows are
    // not its.
    state->othersWindows = namedWindows(state->display);
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
        for (const Window found : namedWindows(state->display)) {
            const std::vector<Window>& others = state->othersWindows;
            if (std::find(others.begin(), others.end(), found) != others.end())
                continue;
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

bool XPlayer::waitForAnotherWindow(double seconds)
{
    const Window first = state->window;
    if (!first)
        return false;
    state->othersWindows.push_back(first);
    if (waitForWindow(seconds))
        return true;
    state->othersWindows.pop_back();
    state->window = first;
    return false;
}

bool XPlayer::waitForWindowGone(double seconds)
{
    const auto start = Clock::now();
    while (timeLeft(start, seconds)) {
        const std::vector<Window> shown = namedWindows(state->display);
        if (std::find(shown.begin(), shown.end(), state->window) == shown.end()) {
            state->window = state->othersWindows.back();
            state->othersWindows.pop_back();
            return true;
        }
        pause(10);
    }
    return false;
}

bool XPlayer::identity(WindowIdentity& seen)
{
    if (!state->window)
        return false;
    Display* display = state->display;
    XClassHint hint;
    if (!XGetClassHint(display, state->window, &hint))
        return false;
    seen.instance = hint.res_name ? hint.res_name : "";
    seen.windowClass = hint.res_class ? hint.res_class : "";
    XFree(hint.res_name);
    XFree(hint.res_class);
    seen.title.clear();
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* bytes = nullptr;
    if (XGetWindowProperty(display, state->window, XInternAtom(display, "_NET_WM_NAME", False), 0,
                           1024, False, XInternAtom(display, "UTF8_STRING", False), &type, &format,
                           &count, &after, &bytes)
            == Success
        && bytes) {
        if (format == 8)
            seen.title.assign(reinterpret_cast<char*>(bytes), count);
        XFree(bytes);
    }
    seen.iconWidth = seen.iconHeight = 0;
    if (XWMHints* hints = XGetWMHints(display, state->window)) {
        if ((hints->flags & IconPixmapHint) && hints->icon_pixmap) {
            Window root;
            int x, y;
            unsigned int w, h, border, depth;
            if (XGetGeometry(display, hints->icon_pixmap, &root, &x, &y, &w, &h, &border, &depth)) {
                seen.iconWidth = static_cast<int>(w);
                seen.iconHeight = static_cast<int>(h);
            }
        }
        XFree(hints);
    }
    return true;
}

bool XPlayer::windowSize(int& w, int& h)
{
    XWindowAttributes attributes;
    if (!state->window || !XGetWindowAttributes(state->display, state->window, &attributes))
        return false;
    w = attributes.width;
    h = attributes.height;
    return true;
}

void XPlayer::showsPixelsAs(int scale)
{
    state->pictureScale = scale;
}

void XPlayer::aimAtWholeDisplay(bool whole)
{
    state->wholeDisplay = whole;
}

Screenshot XPlayer::grab()
{
    return grabArea(0, 0, -1, -1);
}

Screenshot XPlayer::grabArea(int x0, int y0, int w, int h)
{
    Screenshot shot;
    const Window source =
        state->wholeDisplay ? DefaultRootWindow(state->display) : state->window;
    XWindowAttributes attributes;
    // An unmapped window (a program in full screen keeps one) has no image.
    if (!source || !XGetWindowAttributes(state->display, source, &attributes)
        || attributes.map_state != IsViewable)
        return shot;
    if (w < 0) {
        w = attributes.width;
        h = attributes.height;
    }
    if (x0 < 0 || y0 < 0 || w <= 0 || h <= 0 || x0 + w > attributes.width
        || y0 + h > attributes.height)
        return shot;
    XImage* image = XGetImage(state->display, source, x0, y0, w, h, AllPlanes, ZPixmap);
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
    shot.w = w;
    shot.h = h;
    shot.pixels.resize(static_cast<std::size_t>(w) * h);
    // The usual 24-bit display: its pixels are already 0xRRGGBB, read
    // straight from the image's rows (a large window's million calls of
    // XGetPixel take long).
    if (image->bits_per_pixel == 32 && image->red_mask == 0xFF0000
        && image->green_mask == 0xFF00 && image->blue_mask == 0xFF
        && image->byte_order == LSBFirst) {
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image->data + y * image->bytes_per_line);
            for (int x = 0; x < w; ++x)
                shot.pixels[static_cast<std::size_t>(y) * w + x] = row[x] & 0xFFFFFF;
        }
        XDestroyImage(image);
        return shot;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const uint32_t r = channel(p, image->red_mask);
            const uint32_t g = channel(p, image->green_mask);
            const uint32_t b = channel(p, image->blue_mask);
            shot.pixels[static_cast<std::size_t>(y) * w + x] = r << 16 | g << 8 | b;
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
    Window target = DefaultRootWindow(state->display);
    if (!state->wholeDisplay) {
        target = state->window;
        XRaiseWindow(state->display, state->window);
    }
    const auto sinceRelease = Clock::now() - state->lastRelease;
    if (sinceRelease < DOUBLE_CLICK_TIME)
        std::this_thread::sleep_for(DOUBLE_CLICK_TIME - sinceRelease);
    if (!state->pointerSettled) {
        // The library misplaces the first moves after the pointer enters
        // its window; a hand that comes to rest on the spot gets there.
        for (int step = 3; step > 0; --step) {
            XWarpPointer(state->display, None, target, 0, 0, 0, 0, x + step, y + step);
            XFlush(state->display);
            pause(80);
        }
        state->pointerSettled = true;
    }
    // 6 x 6 of the program's own pixels, however large it shows them.
    const int reach = 6 * state->pictureScale;
    const auto start = Clock::now();
    // A press the program did not see over the button leaves the button as
    // it was: the hand moves again and tries once more.
    do {
        XWarpPointer(state->display, None, target, 0, 0, 0, 0, x, y);
        XFlush(state->display);
        // The program may draw the button it points at anew (its focus):
        // the press is looked for once the spot has stopped changing.
        Screenshot before = grab();
        const auto moved = Clock::now();
        for (bool steady = false; !steady && timeLeft(moved, 1.0);) {
            pause(20);
            const Screenshot again = grab();
            steady = !changedAround(before, again, x, y, reach);
            before = again;
        }
        XTestFakeButtonEvent(state->display, 1, True, CurrentTime);
        XFlush(state->display);
        // The program samples the button once per pass and draws a held
        // button pressed until it is let go.
        const auto pressed = Clock::now();
        bool seen = false;
        do {
            seen = changedAround(before, grab(), x, y, reach);
            if (!seen)
                pause(10);
        } while (!seen && timeLeft(pressed, 2.0));
        // Held as long as a hand holds a click at the least, so that the
        // press is sampled by a pass even when what was seen was the button
        // taking the focus late rather than the press.
        const auto held = Clock::now() - pressed;
        if (held < MIN_CLICK_HOLD)
            std::this_thread::sleep_for(MIN_CLICK_HOLD - held);
        XTestFakeButtonEvent(state->display, 1, False, CurrentTime);
        XFlush(state->display);
        state->lastRelease = Clock::now();
        if (seen)
            return true;
        // A program too busy to draw the press in time may still take the
        // click: then the screen has changed there, and it is not repeated.
        pause(static_cast<int>(DOUBLE_CLICK_TIME.count()));
        if (changedAround(before, grab(), x, y, reach))
            return true;
    } while (timeLeft(start, 8.0));
    return false;
}

void XPlayer::raise()
{
    if (!state->window)
        return;
    XRaiseWindow(state->display, state->window);
    XFlush(state->display);
}

void XPlayer::pressKey(unsigned long keysym, int holdMs)
{
    if (!state->wholeDisplay)
        XSetInputFocus(state->display, state->window, RevertToParent, CurrentTime);
    const KeyCode code = XKeysymToKeycode(state->display, keysym);
    // The program queues key presses as they come: a short press is enough.
    XTestFakeKeyEvent(state->display, code, True, CurrentTime);
    XFlush(state->display);
    pause(holdMs);
    XTestFakeKeyEvent(state->display, code, False, CurrentTime);
    XFlush(state->display);
}

void XPlayer::pressCloseButton()
{
    if (!state->window)
        return;
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
