#include "screen/window.h"

#include <allegro.h>
#include <xalleg.h>
#include <X11/Xutil.h>

// The icon's pixels, made from dist/icons/48x48.png by scripts/png-to-xpm.py.
#include "quorvel.xpm"

// The library's icon for the windows it makes, read as it makes one.
extern "C" char** allegro_icon;

const char* const WINDOW_INSTANCE = "quorvel";
const char* const WINDOW_CLASS = "Quorvel";

void nameWindowBeforeStart()
{
    xwin_set_window_name(WINDOW_INSTANCE, WINDOW_CLASS);
    // The library only reads the picture; its type asks for writable text.
    allegro_icon = const_cast<char**>(quorvel_icon);
}

namespace {

// The window the window manager sees: the library draws in a child of it.
// It is the nearest of the drawing window and those above it that carries a
// class (WM_CLASS); 0 when none does.
Window managedWindow(Display* display, Window window)
{
    for (int depth = 0; window && depth < 8; ++depth) {
        XClassHint hint;
        if (XGetClassHint(display, window, &hint)) {
            XFree(hint.res_name);
            XFree(hint.res_class);
            return window;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root)
            return 0;
        window = parent;
    }
    return 0;
}

} // namespace

std::string bookShownName(const std::string& bookPath, const std::string& named)
{
    if (!named.empty())
        return named;
    std::string name = bookPath;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string::npos && slash + 1 < name.size())
        name = name.substr(slash + 1);
    const std::string zip = ".zip";
    if (name.size() > zip.size()) {
        std::string ending = name.substr(name.size() - zip.size());
        for (char& c : ending)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (ending == zip)
            name.resize(name.size() - zip.size());
    }
    return name;
}

std::string windowTitle(const std::string& name)
{
    return name.empty() ? "Quorvel" : name + " — Quorvel";
}

void showWindowTitle(const std::string& name)
{
    const std::string title = windowTitle(name);
    // WM_NAME as the library writes it (its characters outside ASCII become
    // '^'), for window managers that read nothing else.
    set_window_title(title.c_str());
    if (!_xwin.display || !_xwin.window)
        return;
    // The library made Xlib safe for threads, so these calls need no lock of
    // its own.
    const Window window = managedWindow(_xwin.display, _xwin.window);
    if (!window)
        return;
    Xutf8SetWMProperties(_xwin.display, window, title.c_str(), title.c_str(), nullptr, 0, nullptr,
                         nullptr, nullptr);
    // What today's desktops show: the title in UTF-8, as it stands.
    const Atom utf8 = XInternAtom(_xwin.display, "UTF8_STRING", False);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(title.data());
    const int length = static_cast<int>(title.size());
    for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"})
        XChangeProperty(_xwin.display, window, XInternAtom(_xwin.display, name, False), utf8, 8,
                        PropModeReplace, bytes, length);
    XFlush(_xwin.display);
}
