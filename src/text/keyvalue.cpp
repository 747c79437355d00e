#include "text/keyvalue.h"

#include "text/utf8.h"

LineKind splitKeyValue(std::string_view line, std::string_view& key,
                       std::string_view& value)
{
    const std::size_t colon = line.find(':');
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos && hash < colon)
        return LineKind::Comment; // npos compares greater: a '#' without ':' too
    if (colon == std::string_view::npos)
        return LineKind::Invalid;
    const std::size_t semicolon = line.find(';', colon + 1);
    if (semicolon == std::string_view::npos)
        return LineKind::Invalid;
    key = line.substr(0, colon);
    value = line.substr(colon + 1, semicolon - colon - 1);
    return LineKind::Entry;
}

std::string_view textAfterValue(std::string_view line, std::string_view value)
{
    // The value is a view into the line; its ';' follows it.
    const std::size_t end = static_cast<std::size_t>(value.data() - line.data()) + value.size();
    return line.substr(end + 1);
}

const char* const FLAG_ON = "YES";
const char* const FLAG_OFF = "NO";

bool isFlagOn(std::string_view value)
{
    return value == FLAG_ON;
}
