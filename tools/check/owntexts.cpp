#include "owntexts.h"

#include "book/bookkeys.h"
#include "gamepage.h"
#include "glyphs.h"
#include "init.h"
#include "title.h"

namespace {

// A label as the dialog manager shows it: a single '&' marks the shortcut
// letter and is not drawn; "&&" draws one '&'.
std::string shownLabel(const std::string& label)
{
    std::string shown;
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size() && label[i + 1] == '&')
            ++i;
        else if (label[i] == '&')
            continue;
        shown += label[i];
    }
    return shown;
}

} // namespace

std::vector<Finding> checkOwnTexts(FONT* font, const std::string& playerBook,
                                   const EndMessagesGiven& endMessages)
{
    struct OwnText {
        std::string where;
        std::string text;
        std::string note;
    };
    std::vector<OwnText> texts = {
        {"the title menu's book line", bookLineText(playerBook.c_str()), ""}};
    for (const std::string& text : titleOwnTexts())
        texts.push_back({"the title menu's text", shownLabel(text), ""});
    const char* const messages[3] = {end_message_1, end_message_2, end_message_3};
    const BookKeyId keys[3] = {BookKeyId::EndMessage1, BookKeyId::EndMessage2,
                               BookKeyId::EndMessage3};
    for (int i = 0; i < 3; ++i) {
        if (!endMessages.given[i])
            texts.push_back({bookKey(keys[i]).name, messages[i], " (the default: the book gives none)"});
    }
    texts.push_back({"the end-of-book alert's button", shownLabel(endAlertButton), ""});
    texts.push_back({"the page's button", menuButtonLabel, ""});

    std::vector<Finding> findings;
    for (const OwnText& own : texts) {
        const std::string missing = describeMissingGlyphs(font, own.text);
        if (!missing.empty())
            findings.push_back({0, Severity::Warning, own.where + " \"" + own.text + "\"" + own.note
                                                          + ": the font has no glyph for " + missing});
    }
    return findings;
}
