#include "text/problem.h"

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}
