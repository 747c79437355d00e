// quorvel-mkfont: makes the player's font datafile from a TrueType font.
//   quorvel-mkfont <font.ttf> <pixel-size> <ranges> <out.dat>
//   quorvel-mkfont --help | --version
// Exit status 0 on success (and for --help and --version), 1 on bad
// arguments or any failure.
#include "app/version.h"
#include "datafile.h"
#include "glyphs.h"
#include "ranges.h"

#include <cctype>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

namespace {

const char usage[] = "usage: quorvel-mkfont <font.ttf> <pixel-size> <ranges> <out.dat>\n"
                     "  ranges: comma list of hex code points or ranges, e.g. 0x20-0x7E,0xA0-0xFF,0x2026\n"
                     "  --help     print this and exit\n"
                     "  --version  print the version and exit\n";

// The object name: the font file's base name in capitals plus the size,
// e.g. DEJAVUSANS_14, with anything but letters and digits made '_'.
std::string objectName(const std::string& fontPath, int pixelSize)
{
    std::string base = fontPath.substr(fontPath.find_last_of('/') + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        base.erase(dot);
    for (char& c : base)
        c = std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : '_';
    return base + "_" + std::to_string(pixelSize);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string only = argc == 2 ? argv[1] : "";
    if (only == "--help" || only == "-h") {
        std::fputs(usage, stdout);
        return 0;
    }
    if (only == "--version") {
        std::fputs("quorvel-mkfont " QUORVEL_VERSION "\n", stdout);
        return 0;
    }
    if (argc != 5) {
        std::fputs(usage, stderr);
        return 1;
    }
    const std::string fontPath = argv[1];
    const std::string outPath = argv[4];

    int pixelSize = 0;
    std::vector<CodeRange> ranges;
    try {
        pixelSize = parsePixelSize(argv[2]);
        ranges = parseRanges(argv[3]);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "quorvel-mkfont: %s\n%s", error.what(), usage);
        return 1;
    }

    try {
        const auto reportMissing = [&](std::uint32_t codePoint) {
            std::fprintf(stderr, "quorvel-mkfont: warning: %s has no glyph for U+%04X, left out\n",
                         fontPath.c_str(), static_cast<unsigned>(codePoint));
        };
        const std::vector<GlyphRange> glyphs = renderGlyphs(fontPath, pixelSize, ranges, reportMissing);
        if (glyphs.empty())
            throw std::runtime_error(fontPath + " has none of the asked characters");
        writeFileBytes(outPath, encodeFontDatafile(objectName(fontPath, pixelSize), glyphs));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvel-mkfont: %s\n", error.what());
        return 1;
    }
    return 0;
}
