// Book files made for a test: the lines of pages.dat.
#ifndef QUORVEL_BOOKS_H
#define QUORVEL_BOOKS_H

#include <string>

// The book-level line that gives the pages after it bg.png as their
// background.
inline const std::string BG_LINE = "default_bg:bg.png;\n";

// One page: its page_start line (bearing `name`, when one is given),
// `lines`, and its page_end line.
inline std::string page(const std::string& lines, const std::string& name = "")
{
    return "page_start:" + name + ";\n" + lines + "page_end:;\n";
}

#endif
