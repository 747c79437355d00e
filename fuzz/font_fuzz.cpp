// The player's reader of font.dat on a file holding the input: a font it
// takes is measured and drawn as the player's screens draw text, with every
// glyph of it, and given back; one it refuses says why.
#include "fuzzenv.h"
#include "text/fontfile.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    startFuzzing();
    static BITMAP* canvas = nullptr;
    if (!canvas) {
        set_color_depth(8);
        canvas = create_bitmap(MAX_GLYPH_WIDTH * 4, MAX_GLYPH_HEIGHT * 2);
        require(canvas != nullptr, "a canvas to draw on");
    }
    writeInput("font.dat", data, size);
    const Result<OwnedFont> read = readFontFile("font.dat");
    require(!read.value == read.problem.has_value(), "a font is read, or its problem says why not");
    if (read.problem) {
        require(!read.problem->phrase.empty() && read.problem->file == "font.dat",
                "a refusal names the file and says what is wrong");
        return 0;
    }
    FONT* font = read.value.get();
    require(text_height(font) >= 1 && text_height(font) <= MAX_GLYPH_HEIGHT,
            "a font's line height is within its limits");
    // Every glyph, three at a time, as a line of text is drawn and measured.
    for (auto* range = static_cast<FONT_MONO_DATA*>(font->data); range; range = range->next) {
        for (int codePoint = range->begin; codePoint < range->end; codePoint += 3) {
            std::string text;
            char character[8];
            for (int k = codePoint; k < codePoint + 3 && k < range->end; ++k)
                if (k != 0) // the end of a string, drawn as nothing
                    text.append(character, static_cast<std::size_t>(usetc(character, k)));
            if (text.empty())
                continue;
            const int width = text_length(font, text.c_str());
            require(width >= 1 && width <= 3 * MAX_GLYPH_WIDTH, "a glyph's width is within its limits");
            textout_ex(canvas, font, text.c_str(), 1, 1, 1, 0);
        }
    }
    return 0;
}
