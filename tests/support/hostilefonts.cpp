#include "hostilefonts.h"

#include "testenv.h"

namespace {

std::string big32(std::uint32_t value)
{
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift);
    return out;
}

std::string big16(std::uint16_t value)
{
    return {static_cast<char>(value >> 8), static_cast<char>(value)};
}

// The shipped font with its object count set to `objects` and `after`
// appended.
std::string shippedWith(std::int32_t objects, const std::string& after)
{
    std::string bytes = shippedFontBytes();
    bytes.replace(8, 4, big32(static_cast<std::uint32_t>(objects)));
    return bytes + after;
}

// A datafile of one FONT object named "T" holding `contents`.
std::string withFont(const std::string& contents)
{
    return datafileStart(1) + nameProperty("T", 1) + datafileObject("FONT", contents);
}

const std::string EIGHT_WIDE = glyphRange(0x41, {{8, 16}, {8, 16}});

} // namespace

std::string shippedFontBytes()
{
    return readFile(std::string(QUORVEL_DEMO_DIR) + "/font.dat");
}

std::string datafileStart(std::int32_t objects)
{
    return "slh.ALL." + big32(static_cast<std::uint32_t>(objects));
}

std::string nameProperty(const std::string& name, std::int32_t statedLength)
{
    return "propNAME" + big32(static_cast<std::uint32_t>(statedLength)) + name;
}

std::string datafileObject(const char* type, const std::string& contents)
{
    const auto size = static_cast<std::uint32_t>(contents.size());
    return std::string(type, 4) + big32(size) + big32(size) + contents;
}

std::string glyphRange(std::uint32_t first, const std::vector<GlyphSize>& glyphs, std::uint8_t kind)
{
    std::string out(1, static_cast<char>(kind));
    out += big32(first) + big32(first + static_cast<std::uint32_t>(glyphs.size()) - 1);
    for (const GlyphSize& glyph : glyphs) {
        out += big16(static_cast<std::uint16_t>(glyph.width)) + big16(static_cast<std::uint16_t>(glyph.height));
        out += std::string(static_cast<std::size_t>((glyph.width + 7) / 8 * glyph.height), '\0');
    }
    return out;
}

std::string fontContents(const std::vector<std::string>& ranges)
{
    std::string out = big16(0) + big16(static_cast<std::uint16_t>(ranges.size()));
    for (const std::string& range : ranges)
        out += range;
    return out;
}

std::string fontDatafile(const std::vector<std::string>& ranges)
{
    return withFont(fontContents(ranges));
}

HostileFont cutFont(std::size_t cut)
{
    return {"CutShort", shippedFontBytes().substr(0, cut), ProblemKind::Damaged, "is cut short: it ends at byte "};
}

std::vector<std::size_t> cutPoints(std::size_t step)
{
    const std::size_t size = shippedFontBytes().size();
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 0; cut < 64; ++cut)
        cuts.push_back(cut);
    for (std::size_t cut = 64 + step; cut < size - 1; cut += step)
        cuts.push_back(cut);
    cuts.push_back(size - 1);
    return cuts;
}

std::vector<HostileFont> hostileFonts()
{
    // A sample's header (16 bits a sample, 22050 Hz, a gigabyte of frames)
    // and 9 KB of its data, after the shipped font: 18.5 KB in all.
    const std::string sample = big16(16) + big16(22050) + big32(1u << 30) + std::string(9400, '\x55');
    // Bits a pixel, width and height, and a few pixels.
    const std::string bitmap = big16(16) + big16(23000) + big16(23000) + std::string(64, '\x7F');
    // 60000 FILE objects, each holding the next (a datafile of one object)
    // but the last (of none): 960 KB.
    const int levels = 60000;
    std::string nested;
    for (int level = 0; level < levels; ++level) {
        const auto contents = static_cast<std::uint32_t>(4 + (levels - 1 - level) * 16);
        nested += "FILE" + big32(contents) + big32(contents) + big32(level < levels - 1 ? 1 : 0);
    }
    std::vector<GlyphSize> printable(0x7F - 0x20, {8, 16});
    std::vector<GlyphSize> oneWide = printable;
    oneWide['W' - 0x20] = {640, 16};
    const std::string backwards = std::string(1, '\1') + big32(0x41) + big32(0x40);
    const std::string manyStated = std::string(1, '\1') + big32(0x20) + big32(0x20 + 60000) + big16(8)
                                   + big16(16) + std::string(16, '\0');
    std::string compressedFont = withFont(fontContents({EIGHT_WIDE}));
    compressedFont.replace(compressedFont.find("FONT") + 8, 4, big32(static_cast<std::uint32_t>(-40)));
    std::string twoSizes = withFont(fontContents({EIGHT_WIDE}));
    twoSizes.replace(twoSizes.find("FONT") + 4, 4, big32(1000));
    const std::string giantFont = datafileStart(1) + "FONT" + big32(1u << 30) + big32(1u << 30) + fontContents({EIGHT_WIDE});

    return {
        {"EightBytesOfDatafileMagic", "slh.ALL.", ProblemKind::Damaged,
         "is cut short: it ends at byte 8, inside the datafile's header"},
        {"FontOfNoRanges", withFont(fontContents({})), ProblemKind::Damaged, "holds a font of no character ranges"},
        {"ALaterObjectThatFails", shippedWith(2, datafileObject("BMP ", std::string(10, '\xFF'))),
         ProblemKind::Unsupported, "holds 2 objects; a font datafile holds one, its font"},
        {"ASampleStatingAGigabyte", shippedWith(2, datafileObject("SAMP", sample)), ProblemKind::Unsupported,
         "holds 2 objects; a font datafile holds one, its font"},
        {"ABitmapOf23000By23000", datafileStart(1) + datafileObject("BMP ", bitmap), ProblemKind::Unsupported,
         "holds a \"BMP \" object first, not a font"},
        {"NestedFileObjects", datafileStart(1) + nested, ProblemKind::Unsupported,
         "holds a \"FILE\" object first, not a font"},
        {"NameOfSizeMinusOne", datafileStart(1) + nameProperty("", -1) + datafileObject("FONT", fontContents({EIGHT_WIDE})),
         ProblemKind::Damaged, "states a font name of -1 bytes; a name holds 0 to 255"},
        {"GlyphsOfHeightZero", fontDatafile({glyphRange(0x20, {{5, 0}, {5, 0}})}), ProblemKind::Damaged,
         "has a glyph 0 pixels high (U+0020); a glyph is 1 to 64"},
        {"GlyphsOfWidthZero", fontDatafile({glyphRange(0x20, {{0, 16}, {0, 16}})}), ProblemKind::Damaged,
         "has a glyph 0 pixels wide (U+0020); a glyph is 1 to 64"},
        {"OneGlyph640Wide", fontDatafile({glyphRange(0x20, oneWide)}), ProblemKind::Damaged,
         "has a glyph 640 pixels wide (U+0057); a glyph is 1 to 64"},
        {"GlyphHigherThanTheLimit", fontDatafile({glyphRange(0x20, {{8, 65}})}), ProblemKind::Damaged,
         "has a glyph 65 pixels high (U+0020); a glyph is 1 to 64"},
        {"GlyphsOfTwoHeights", fontDatafile({glyphRange(0x20, {{8, 16}, {8, 17}})}), ProblemKind::Damaged,
         "has a glyph 17 pixels high (U+0021) after glyphs 16 high; all glyphs of a font are as high"},
        {"NoDatafile", "plain text, no font", ProblemKind::Unsupported, "is no font datafile"},
        {"CompressedDatafile", "slh!" + std::string(400, '\x11'), ProblemKind::Unsupported,
         "is a compressed datafile"},
        {"NoObject", datafileStart(0), ProblemKind::Unsupported, "holds no object"},
        {"NegativeObjectCount", datafileStart(-1), ProblemKind::Unsupported, "holds -1 objects"},
        {"APropertyOtherThanTheName",
         datafileStart(1) + "propDATE" + big32(4) + "1999" + datafileObject("FONT", fontContents({EIGHT_WIDE})),
         ProblemKind::Unsupported, "has a property \"DATE\"; a font datafile holds only its font's name"},
        {"TwoNames",
         datafileStart(1) + nameProperty("A", 1) + nameProperty("B", 1)
             + datafileObject("FONT", fontContents({EIGHT_WIDE})),
         ProblemKind::Unsupported, "names its font twice"},
        {"NameLongerThanTheLimit",
         datafileStart(1) + nameProperty(std::string(300, 'N'), 300)
             + datafileObject("FONT", fontContents({EIGHT_WIDE})),
         ProblemKind::Damaged, "states a font name of 300 bytes"},
        {"CompressedFontObject", compressedFont, ProblemKind::Unsupported, "holds a compressed font"},
        {"TwoSizesForItsFont", twoSizes, ProblemKind::Damaged, "states two sizes for its font (1000 and "},
        {"FontObjectStatingAGigabyte", giantFont, ProblemKind::Damaged,
         "is cut short: it ends at byte 77, inside its font, which states 1073741824 bytes"},
        {"BytesAfterTheFont", shippedFontBytes() + "xy", ProblemKind::Damaged,
         "has 2 bytes after its font; a font datafile ends with it"},
        {"OldOneRangeFormat", withFont(big16(8) + std::string(300, '\0')), ProblemKind::Unsupported,
         "holds a font in the library's old one-range format"},
        {"ColourRange", fontDatafile({glyphRange(0x41, {{8, 16}}, 8)}), ProblemKind::Unsupported,
         "has colour glyphs in character range 1"},
        {"RangeOfAMillionGlyphs", withFont(fontContents({std::string(1, '\1') + big32(0) + big32(0xFFFFF)})),
         ProblemKind::TooLarge, "holds more than 65536 glyphs"},
        {"RangeStatingMoreGlyphsThanItsBytes", withFont(fontContents({manyStated})), ProblemKind::Damaged,
         "is cut short: it ends at byte 70, inside character range 1, which states 60001 glyphs"},
        {"RangePastTheLastCodePoint", fontDatafile({glyphRange(0x10FFFF, {{8, 16}, {8, 16}})}),
         ProblemKind::Damaged, "has character range 1 reaching past the last code point, U+10FFFF"},
        {"RangeRunningBackwards", withFont(fontContents({backwards})), ProblemKind::Damaged,
         "has character range 1 running backwards, from U+0041 to U+0040"},
        {"OverlappingRanges",
         fontDatafile({glyphRange(0x60, {{8, 16}, {8, 16}}), glyphRange(0x20, printable)}),
         ProblemKind::Damaged, "has character ranges 1 and 2 that both hold U+0060"},
        {"GlyphCutShort", fontDatafile({glyphRange(0x41, {{8, 16}})}).substr(0, 60), ProblemKind::Damaged,
         "is cut short: "},
    };
}
