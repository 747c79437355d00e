#include "speech/scriptruns.h"

#include "text/utf8.h"

namespace {

enum class Script { None, Cyrillic, Other };

// The code point of the valid sequence of `length` bytes at `at`.
char32_t codePoint(std::string_view at, std::size_t length)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(at[i]); };
    switch (length) {
    case 1: return byte(0);
    case 2: return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3: return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default:
        return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6)
               | (byte(3) & 0x3F);
    }
}

Script scriptOf(char32_t c)
{
    if (c < 0x80) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        return letter ? Script::Other : Script::None;
    }
    if (c <= 0xBF || c == 0xD7 || c == 0xF7)
        return Script::None; // Latin-1 punctuation and signs
    if ((c >= 0x0400 && c <= 0x052F) || (c >= 0x1C80 && c <= 0x1C8F)
        || (c >= 0x2DE0 && c <= 0x2DFF) || (c >= 0xA640 && c <= 0xA69F))
        return Script::Cyrillic;
    if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFE30 && c <= 0xFE4F))
        return Script::None; // punctuation, arrows, symbols, dashes, quotes
    return Script::Other;
}

} // namespace

bool writtenInCyrillic(std::string_view language)
{
    for (std::string_view cyrillic : {"ru", "uk", "be", "bg", "sr", "mk", "kk", "ky", "tg", "tt",
                                      "mn", "ba", "cv", "ce", "os", "sah"})
        if (language == cyrillic)
            return true;
    return false;
}

std::vector<Utterance> splitByScript(std::string_view text, const std::string& readerLanguage)
{
    const bool readerCyrillic = writtenInCyrillic(readerLanguage);
    const std::string cyrillicLanguage = readerCyrillic ? readerLanguage : "ru";
    const std::string otherLanguage = readerCyrillic ? "en" : readerLanguage;

    std::vector<Utterance> runs;
    std::string pending; // characters of no script before the first letter
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t length = utf8SequenceLength(text.substr(at));
        const Script script = length ? scriptOf(codePoint(text.substr(at), length)) : Script::None;
        if (length == 0)
            length = 1; // a stray byte stays with its neighbours
        const std::string_view piece = text.substr(at, length);
        at += length;
        if (script == Script::None) {
            if (runs.empty())
                pending.append(piece);
            else
                runs.back().text.append(piece);
            continue;
        }
        const std::string& language = script == Script::Cyrillic ? cyrillicLanguage : otherLanguage;
        if (runs.empty() || runs.back().language != language) {
            runs.push_back({pending, language});
            pending.clear();
        }
        runs.back().text.append(piece);
    }
    if (runs.empty() && !pending.empty())
        runs.push_back({pending, otherLanguage});
    return runs;
}
