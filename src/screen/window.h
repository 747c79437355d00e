// The player's window as the desktop sees it: its class (WM_CLASS), which
// groups it in task bars and is what the desktop entry's StartupWMClass
// names; its icon; and its title, which names the book being read.
//
// The library takes the class and the icon as it makes its window, which it
// does while it starts (allegro_init), so they are handed to it before: the
// title can change at any time after the window is open.
#ifndef QUORVEL_WINDOW_H
#define QUORVEL_WINDOW_H

#include <string>

// WM_CLASS: the instance name and the class name. dist/quorvel.desktop's
// StartupWMClass is WINDOW_CLASS.
extern const char* const WINDOW_INSTANCE;
extern const char* const WINDOW_CLASS;

// Hands the library the class and the icon for the window it will make.
// Called before the library starts (app/startlibrary does); harmless where
// there is no X display.
void nameWindowBeforeStart();

// The name a book is known by: its book_name line when it has one (`named`,
// may be empty), else the last part of its path (`bookPath`), without a
// ".zip" ending.
std::string bookShownName(const std::string& bookPath, const std::string& named);

// The window's title for a book shown by `name`: "NAME — Quorvel", or
// "Quorvel" when `name` is empty.
std::string windowTitle(const std::string& name);

// Sets the open window's title to windowTitle(name), in UTF-8 (_NET_WM_NAME)
// for today's desktops and as the library sets it (WM_NAME) for the rest.
// Does nothing before a window is open.
void showWindowTitle(const std::string& name);

#endif
