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

#include <chrono>
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
};

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

void XPlayer::click(int x, int y)
{
    XRaiseWindow(state->display, state->window);
    // The library may drop the first moves after the window opens; a hand
    // that comes to rest on the spot always gets there.
    for (int step = 3; step >= 0; --step) {
        XWarpPointer(state->display, None, state->window, 0, 0, 0, 0, x + step, y + step);
        XFlush(state->display);
        pause(80);
    }
    // The program samples the button once per pass: hold it for a moment.
    XTestFakeButtonEvent(state->display, 1, True, CurrentTime);
    XFlush(state->display);
    pause(100);
    XTestFakeButtonEvent(state->display, 1, False, CurrentTime);
    XFlush(state->display);
    // Let the library's double-click time pass, so that the next click is
    // a click of its own, as between a reader's choices.
    pause(400);
}

void XPlayer::pressKey(unsigned long keysym)
{
    XSetInputFocus(state->display, state->window, RevertToParent, CurrentTime);
    const KeyCode code = XKeysymToKeycode(state->display, keysym);
    XTestFakeKeyEvent(state->display, code, True, CurrentTime);
    XFlush(state->display);
    pause(100);
    XTestFakeKeyEvent(state->display, code, False, CurrentTime);
    XFlush(state->display);
    pause(100);
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
