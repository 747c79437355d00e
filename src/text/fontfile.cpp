#include "text/fontfile.h"

#include "files/bookfile.h"

#include <allegro/internal/aintern.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

using namespace fontformat;

namespace {

constexpr std::uint32_t LAST_CODE_POINT = 0x10FFFF;

std::string codePointName(std::uint32_t codePoint)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
    return buffer;
}

// An object or property type as the file states it: its four letters when
// they are printable, else its bytes in hexadecimal.
std::string typeName(std::uint32_t type)
{
    std::string letters;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>(type >> shift);
        if (c < 0x20 || c > 0x7E) {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(type));
            return buffer;
        }
        letters += c;
    }
    return quoted(letters);
}

// Big-endian numbers read from a span of bytes. Every read is asked for
// with has() first; nothing is read past the span.
class ByteReader {
public:
    ByteReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    std::size_t at() const { return at_; }
    std::size_t left() const { return size_ - at_; }
    bool has(std::size_t count) const { return left() >= count; }

    std::uint8_t u8() { return bytes_[at_++]; }
    std::uint16_t u16()
    {
        const std::uint16_t high = u8();
        return static_cast<std::uint16_t>(high << 8 | u8());
    }
    std::uint32_t u32()
    {
        const std::uint32_t high = u16();
        return high << 16 | u16();
    }
    std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
    void skip(std::size_t count) { at_ += count; }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// One range of the font as checked: its code points and where its first
// glyph's header lies in the file.
struct CheckedRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::size_t offset = 0;
};

struct CheckedFont {
    int height = 0;
    std::vector<CheckedRange> ranges;
};

class FontChecker {
public:
    FontChecker(const std::uint8_t* bytes, std::size_t size, const std::string& path)
        : bytes_(bytes), file_(bytes, size), path_(path)
    {
    }

    Result<CheckedFont> check()
    {
        if (!header() || !objectsBeforeFont() || !fontObject())
            return {{}, problem_};
        return {std::move(font_), std::nullopt};
    }

private:
    bool fail(ProblemKind kind, const std::string& phrase)
    {
        problem_ = Problem{kind, path_, phrase};
        return false;
    }

    // The file ends inside `what`.
    bool cutShort(const std::string& what)
    {
        return fail(ProblemKind::Damaged, "is cut short: it ends at byte " + std::to_string(file_.at() + file_.left())
                                              + ", inside " + what);
    }

    bool need(ByteReader& reader, std::size_t count, const std::string& what)
    {
        return reader.has(count) || cutShort(what);
    }

    // The packfile's and the datafile's marks and the object count.
    bool header()
    {
        const std::uint8_t start[] = {0x73, 0x6C, 0x68, 0x2E, 0x41, 0x4C, 0x4C, 0x2E, 0, 0, 0, 1};
        const std::size_t seen = std::min(file_.left(), sizeof start);
        if (seen < sizeof start && std::equal(bytes_, bytes_ + seen, start))
            return cutShort("the datafile's header");
        if (!file_.has(12))
            return fail(ProblemKind::Unsupported, "is no font datafile");
        const std::uint32_t packfile = file_.u32();
        if (packfile == COMPRESSED_PACKFILE_MAGIC)
            return fail(ProblemKind::Unsupported, "is a compressed datafile; the player reads the "
                                                  "uncompressed fonts quorvel-mkfont writes");
        if (packfile != PACKFILE_MAGIC || file_.u32() != DATAFILE_MAGIC)
            return fail(ProblemKind::Unsupported, "is no font datafile");
        const std::int32_t objects = file_.s32();
        if (objects == 0)
            return fail(ProblemKind::Unsupported, "holds no object; a font datafile holds one, its font");
        if (objects != 1)
            return fail(ProblemKind::Unsupported, "holds " + std::to_string(objects)
                                                      + " objects; a font datafile holds one, its font");
        return true;
    }

    // The font's properties: at most one, its name.
    bool objectsBeforeFont()
    {
        bool named = false;
        while (true) {
            if (!need(file_, 4, "the font's object header"))
                return false;
            const std::uint32_t type = file_.u32();
            if (type == FONT_OBJECT)
                return true;
            if (type != PROPERTY)
                return fail(ProblemKind::Unsupported,
                            "holds a " + typeName(type) + " object first, not a font");
            if (!need(file_, 8, "a property's header"))
                return false;
            const std::uint32_t property = file_.u32();
            if (property != NAME_PROPERTY)
                return fail(ProblemKind::Unsupported, "has a property " + typeName(property)
                                                          + "; a font datafile holds only its font's name");
            if (named)
                return fail(ProblemKind::Unsupported, "names its font twice");
            named = true;
            const std::int32_t length = file_.s32();
            if (length < 0 || length > MAX_FONT_NAME_BYTES)
                return fail(ProblemKind::Damaged, "states a font name of " + std::to_string(length)
                                                      + " bytes; a name holds 0 to "
                                                      + std::to_string(MAX_FONT_NAME_BYTES));
            if (!need(file_, static_cast<std::size_t>(length), "the font's name"))
                return false;
            file_.skip(static_cast<std::size_t>(length));
        }
    }

    // The FONT object: its two sizes, then the font in ranges, ending the file.
    bool fontObject()
    {
        if (!need(file_, 8, "the font's object header"))
            return false;
        const std::int32_t stored = file_.s32();
        const std::int32_t packed = file_.s32();
        if (packed < 0)
            return fail(ProblemKind::Unsupported, "holds a compressed font; the player reads the "
                                                  "uncompressed fonts quorvel-mkfont writes");
        if (stored != packed)
            return fail(ProblemKind::Damaged, "states two sizes for its font (" + std::to_string(stored)
                                                  + " and " + std::to_string(packed) + " bytes)");
        const auto size = static_cast<std::size_t>(stored);
        if (size > file_.left())
            return cutShort("its font, which states " + std::to_string(size) + " bytes");
        if (size < file_.left())
            return fail(ProblemKind::Damaged, "has " + std::to_string(file_.left() - size)
                                                  + " bytes after its font; a font datafile ends with it");
        return ranges() && noOverlap();
    }

    bool ranges()
    {
        if (!need(file_, 4, "the font's header"))
            return false;
        if (file_.u16() != 0)
            return fail(ProblemKind::Unsupported, "holds a font in the library's old one-range format, "
                                                  "not in ranges as quorvel-mkfont writes");
        const int count = file_.u16();
        if (count == 0)
            return fail(ProblemKind::Damaged, "holds a font of no character ranges");
        long glyphs = 0;
        for (int index = 1; index <= count; ++index) {
            const std::string name = "character range " + std::to_string(index);
            if (!need(file_, 9, name + "'s header"))
                return false;
            if (file_.u8() != MONO_RANGE)
                return fail(ProblemKind::Unsupported,
                            "has colour glyphs in " + name + "; the player reads single-colour fonts");
            CheckedRange range;
            range.first = file_.u32();
            range.last = file_.u32();
            if (range.first > LAST_CODE_POINT || range.last > LAST_CODE_POINT)
                return fail(ProblemKind::Damaged,
                            "has " + name + " reaching past the last code point, " + codePointName(LAST_CODE_POINT));
            if (range.last < range.first)
                return fail(ProblemKind::Damaged, "has " + name + " running backwards, from "
                                                      + codePointName(range.first) + " to "
                                                      + codePointName(range.last));
            const long inRange = static_cast<long>(range.last - range.first) + 1;
            glyphs += inRange;
            if (glyphs > MAX_FONT_GLYPHS)
                return fail(ProblemKind::TooLarge, "holds more than " + std::to_string(MAX_FONT_GLYPHS)
                                                       + " glyphs");
            // Each glyph takes its header at least: a count the file cannot
            // hold is refused before its glyphs are looked at.
            const std::size_t least = static_cast<std::size_t>(inRange) * GLYPH_HEADER_BYTES;
            if (least > file_.left())
                return cutShort(name + ", which states " + std::to_string(inRange) + " glyphs");
            range.offset = file_.at();
            for (std::uint32_t codePoint = range.first;; ++codePoint) {
                if (!glyph(codePoint))
                    return false;
                if (codePoint == range.last)
                    break;
            }
            font_.ranges.push_back(range);
        }
        return true;
    }

    bool glyph(std::uint32_t codePoint)
    {
        const std::string name = "glyph " + codePointName(codePoint);
        if (!need(file_, GLYPH_HEADER_BYTES, name + "'s size"))
            return false;
        const int width = file_.u16();
        const int height = file_.u16();
        if (width < 1 || width > MAX_GLYPH_WIDTH)
            return fail(ProblemKind::Damaged, "has a glyph " + std::to_string(width) + " pixels wide ("
                                                  + codePointName(codePoint) + "); a glyph is 1 to "
                                                  + std::to_string(MAX_GLYPH_WIDTH));
        if (height < 1 || height > MAX_GLYPH_HEIGHT)
            return fail(ProblemKind::Damaged, "has a glyph " + std::to_string(height) + " pixels high ("
                                                  + codePointName(codePoint) + "); a glyph is 1 to "
                                                  + std::to_string(MAX_GLYPH_HEIGHT));
        if (font_.height == 0)
            font_.height = height;
        if (height != font_.height)
            return fail(ProblemKind::Damaged, "has a glyph " + std::to_string(height) + " pixels high ("
                                                  + codePointName(codePoint) + ") after glyphs "
                                                  + std::to_string(font_.height)
                                                  + " high; all glyphs of a font are as high");
        const auto bytes = static_cast<std::size_t>((width + 7) / 8 * height);
        if (!need(file_, bytes, name + "'s pixels"))
            return false;
        file_.skip(bytes);
        return true;
    }

    // No code point in two ranges (the library would draw the first range's).
    bool noOverlap()
    {
        std::vector<std::pair<CheckedRange, int>> sorted;
        for (std::size_t i = 0; i < font_.ranges.size(); ++i)
            sorted.emplace_back(font_.ranges[i], static_cast<int>(i) + 1);
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.first.first < b.first.first; });
        for (std::size_t i = 1; i < sorted.size(); ++i)
            if (sorted[i].first.first <= sorted[i - 1].first.last) {
                const auto [one, other] = std::minmax(sorted[i - 1].second, sorted[i].second);
                return fail(ProblemKind::Damaged, "has character ranges " + std::to_string(one) + " and "
                                                      + std::to_string(other) + " that both hold "
                                                      + codePointName(sorted[i].first.first));
            }
        return true;
    }

    const std::uint8_t* bytes_;
    ByteReader file_;
    const std::string& path_;
    CheckedFont font_;
    std::optional<Problem> problem_;
};

// The library's single-colour font for a checked file, built as its own
// datafile loader builds one (the ranges linked in the file's order, each
// glyph a FONT_GLYPH allocated the library's way), so that destroy_font
// frees it. Null when memory runs out, with nothing left allocated.
FONT* libraryFont(const std::uint8_t* bytes, std::size_t size, const CheckedFont& checked)
{
    auto* font = static_cast<FONT*>(_AL_MALLOC(sizeof(FONT)));
    if (!font)
        return nullptr;
    font->data = nullptr;
    font->height = checked.height;
    font->vtable = font_vtable_mono;
    FONT_MONO_DATA* last = nullptr;
    for (const CheckedRange& range : checked.ranges) {
        const std::size_t count = range.last - range.first + 1;
        auto* mono = static_cast<FONT_MONO_DATA*>(_AL_MALLOC(sizeof(FONT_MONO_DATA)));
        auto** glyphs = mono ? static_cast<FONT_GLYPH**>(_AL_MALLOC(count * sizeof(FONT_GLYPH*))) : nullptr;
        if (!glyphs) {
            _AL_FREE(mono);
            destroy_font(font);
            return nullptr;
        }
        std::fill(glyphs, glyphs + count, nullptr);
        mono->begin = static_cast<int>(range.first);
        mono->end = static_cast<int>(range.last) + 1;
        mono->glyphs = glyphs;
        mono->next = nullptr;
        if (last)
            last->next = mono;
        else
            font->data = mono;
        last = mono;
        // From here on destroy_font frees this range too, and a glyph not
        // made yet is a null it skips.
        ByteReader reader(bytes, size);
        reader.skip(range.offset);
        for (std::size_t i = 0; i < count; ++i) {
            const int width = reader.u16();
            const int height = reader.u16();
            const auto pixels = static_cast<std::size_t>((width + 7) / 8 * height);
            auto* glyph = static_cast<FONT_GLYPH*>(_AL_MALLOC(sizeof(FONT_GLYPH) + pixels));
            if (!glyph) {
                destroy_font(font);
                return nullptr;
            }
            glyph->w = static_cast<short>(width);
            glyph->h = static_cast<short>(height);
            std::copy(bytes + reader.at(), bytes + reader.at() + pixels, glyph->dat);
            reader.skip(pixels);
            glyphs[i] = glyph;
        }
    }
    return font;
}

} // namespace

void FontDestroyer::operator()(FONT* font) const
{
    destroy_font(font);
}

Result<OwnedFont> decodeFontDatafile(const std::uint8_t* bytes, std::size_t size, const std::string& path)
{
    Result<CheckedFont> checked = FontChecker(bytes, size, path).check();
    if (checked.problem)
        return {nullptr, checked.problem};
    OwnedFont font(libraryFont(bytes, size, checked.value));
    if (!font)
        return {nullptr, Problem{ProblemKind::NoMemory, path, "cannot be loaded: not enough memory for its glyphs"}};
    return {std::move(font), std::nullopt};
}

Result<OwnedFont> readFontFile(const std::string& path)
{
    const BookFile source(path);
    if (const std::optional<Problem>& problem = source.problem()) {
        if (problem->kind == ProblemKind::NotFound)
            return {nullptr, Problem{ProblemKind::NotFound, path, "is not there"}};
        return {nullptr, problem};
    }
    if (source.size() > MAX_FONT_FILE_BYTES)
        return {nullptr, Problem{ProblemKind::TooLarge, path,
                                 "is " + std::to_string(source.size()) + " bytes; a font datafile holds at most "
                                     + std::to_string(MAX_FONT_FILE_BYTES)}};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(source.size()));
    std::size_t read = 0;
    while (read < bytes.size()) {
        const std::size_t got = source.readAt(static_cast<long long>(read), bytes.data() + read, bytes.size() - read);
        if (got == 0)
            break;
        read += got;
    }
    if (read < bytes.size()) {
        if (std::optional<Problem> problem = source.readProblem())
            return {nullptr, problem};
        return {nullptr, Problem{ProblemKind::Unreadable, path,
                                 "cannot be read whole: it ends after " + std::to_string(read) + " of its "
                                     + std::to_string(bytes.size()) + " bytes"}};
    }
    return decodeFontDatafile(bytes.data(), bytes.size(), path);
}
