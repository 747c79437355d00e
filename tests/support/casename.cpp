#include "casename.h"

#include <cctype>

std::string caseName(const std::string& description)
{
    std::string name;
    bool wordStart = true;
    for (const char c : description) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 128 && std::isalnum(byte)) {
            name += wordStart ? static_cast<char>(std::toupper(byte)) : c;
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    return name;
}
