// The line format: splitKeyValue on the input taken as one line, and the
// LineReader over a file holding the input, each checked against what its
// header promises (valid UTF-8 once narrowed back included).
#include "files/linereader.h"
#include "fuzzenv.h"
#include "init.h"
#include "text/keyvalue.h"
#include "text/utf8.h"

#include <string>
#include <string_view>

namespace {

void checkSplit(std::string_view line)
{
    std::string_view key, value;
    const LineKind kind = splitKeyValue(line, key, value);
    const std::size_t colon = line.find(':');
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos && hash < colon) {
        require(kind == LineKind::Comment, "a '#' before the first ':' makes a comment");
        return;
    }
    if (kind != LineKind::Entry) {
        require(kind == LineKind::Invalid, "a line is an entry, a comment or invalid");
        require(colon == std::string_view::npos
                    || line.find(';', colon + 1) == std::string_view::npos,
                "a line with ':' and a ';' after it is an entry");
        return;
    }
    require(key.data() == line.data() && key.size() == colon, "the key runs up to the first ':'");
    require(value.data() == line.data() + colon + 1, "the value starts after the ':'");
    require(value.find(';') == std::string_view::npos, "the value stops at the first ';'");
    require(colon + 1 + value.size() < line.size() && line[colon + 1 + value.size()] == ';',
            "a ';' ends the value");
}

// The bytes LineReader gives for one line's text (NUL bytes already out):
// each byte of a valid UTF-8 sequence widened when above 127, each other
// byte made one "?".
std::size_t expectedLineBytes(std::string_view text)
{
    std::size_t bytes = 0;
    while (!text.empty()) {
        const std::size_t length = utf8SequenceLength(text);
        if (length == 0) {
            bytes += 1;
            text.remove_prefix(1);
            continue;
        }
        for (std::size_t i = 0; i < length; ++i)
            bytes += static_cast<unsigned char>(text[i]) < 0x80 ? 1 : 2;
        text.remove_prefix(length);
    }
    return bytes;
}

// The bytes LineReader should give for the input: line ends taken out, NUL
// bytes dropped, each line made valid UTF-8 and widened, a leading mark
// skipped.
std::size_t expectedTextBytes(std::string_view file)
{
    if (file.substr(0, 3) == "\xEF\xBB\xBF")
        file.remove_prefix(3);
    std::size_t bytes = 0;
    std::string line;
    for (const char c : file) {
        if (c == '\n' || c == '\r') {
            bytes += expectedLineBytes(line);
            line.clear();
        } else if (c != 0) {
            line.push_back(c);
        }
    }
    return bytes + expectedLineBytes(line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    startFuzzing();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkSplit(input);

    writeInput("lines.txt", data, size);
    LineReader reader("lines.txt");
    // A file that looks saved as UTF-16 by its first 256 bytes is refused,
    // saying so; every other file is read.
    if (looksLikeUtf16(input.substr(0, 256))) {
        require(!reader.isOpen() && reader.problem()
                    && reader.problem()->phrase.find("UTF-16") != std::string::npos,
                "a file saved as UTF-16 is refused, saying so");
        return 0;
    }
    require(reader.isOpen(), "the reader opens a file that is there");
    std::string line;
    std::size_t bytes = 0;
    while (reader.next(line)) {
        require(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
                "lines hold no line ends and no NUL bytes");
        bytes += line.size();
        require(isValidUtf8(encrCyr(line)), "a line narrowed back is valid UTF-8");
        checkSplit(line);
    }
    require(bytes == expectedTextBytes(input), "every byte of the file is delivered");
    return 0;
}
