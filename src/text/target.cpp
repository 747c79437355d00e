#include "text/target.h"

#include <cctype>
#include <climits>

namespace {

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool isPageNumber(std::string_view value)
{
    if (value.empty())
        return true;
    const char first = value.front();
    return isDigit(first) || first == '+' || first == '-' || isBlank(first);
}

int readPageNumber(std::string_view value, std::size_t* used)
{
    std::size_t at = 0;
    while (at < value.size() && isBlank(value[at]))
        ++at;
    bool negative = false;
    if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
        negative = value[at] == '-';
        ++at;
    }
    const std::size_t digitsFrom = at;
    long long magnitude = 0;
    for (; at < value.size() && isDigit(value[at]); ++at) {
        // Past INT_MAX + 1 the result is held anyway: stop growing.
        if (magnitude <= static_cast<long long>(INT_MAX) + 1)
            magnitude = magnitude * 10 + (value[at] - '0');
    }
    if (at == digitsFrom) {
        // No digits: nothing was read as a number.
        if (used)
            *used = 0;
        return 0;
    }
    if (used)
        *used = at;
    const long long number = negative ? -magnitude : magnitude;
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}
