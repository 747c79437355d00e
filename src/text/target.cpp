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

namespace {

// Past this a number is held where it stands: more than any caller's range.
const long long NUMBER_HELD_AT = 1LL << 40;

// The number at the start of `value` as atoi reads it (blanks, an optional
// sign, digits), its size held at NUMBER_HELD_AT; `used` receives the bytes
// read, 0 when there are no digits.
long long readLeadingNumber(std::string_view value, std::size_t& used)
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
        if (magnitude <= NUMBER_HELD_AT)
            magnitude = magnitude * 10 + (value[at] - '0');
    }
    // No digits: nothing was read as a number.
    used = at == digitsFrom ? 0 : at;
    if (used == 0)
        return 0;
    return negative ? -magnitude : magnitude;
}

} // namespace

int readPageNumber(std::string_view value, std::size_t* used)
{
    std::size_t read = 0;
    const long long number = readLeadingNumber(value, read);
    if (used)
        *used = read;
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}

bool readWholeNumber(std::string_view text, long long low, long long high, long long& number)
{
    if (text.empty() || !isDigit(text.front()))
        return false;
    std::size_t used = 0;
    const long long read = readLeadingNumber(text, used);
    if (used != text.size() || read < low || read > high)
        return false;
    number = read;
    return true;
}
