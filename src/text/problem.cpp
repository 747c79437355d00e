#include "text/problem.h"

#include "text/utf8.h"

std::string quoted(const std::string& text)
{
    return "\"" + escapeControls(text) + "\"";
}
