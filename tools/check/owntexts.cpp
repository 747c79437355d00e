#include "owntexts.h"

#include "app/language.h"
#include "book/bookkeys.h"
#include "gamepage.h"
#include "glyphs.h"
#include "init.h"
#include "screen/keyhelp.h"
#include "screen/messagebox.h"
#include "speech/readaloud.h"
#include "title.h"

namespace {

struct OwnText {
    std::string where;
    std::string text;
    std::string note;
};

// The texts the player draws of its own for the book, in the language
// tr() answers in now.
std::vector<OwnText> ownTexts(const std::string& playerBook, const EndMessagesGiven& endMessages)
{
    std::vector<OwnText> texts = {
        {"the title menu's book line", bookLineText(playerBook.c_str()), ""}};
    for (const std::string& text : titleOwnTexts())
        texts.push_back({"the title menu's text", shownLabel(text), ""});
    const BookKeyId keys[3] = {BookKeyId::EndMessage1, BookKeyId::EndMessage2,
                               BookKeyId::EndMessage3};
    for (int i = 0; i < 3; ++i) {
        if (!endMessages.given[i])
            texts.push_back({bookKey(keys[i]).name, defaultEndMessage(i + 1),
                             " (the default: the book gives none)"});
    }
    texts.push_back({"the end-of-book alert's button", shownLabel(tr(endAlertButton)), ""});
    texts.push_back({"the page's button", tr(menuButtonLabel), ""});
    for (KeyScreen screen : {KeyScreen::Page, KeyScreen::Title}) {
        texts.push_back({"the key help's heading", keyHelpHeading(screen), ""});
        for (const KeyHelpRow& row : keyHelpRows(screen)) {
            texts.push_back({"the key help's keys", row.keys, ""});
            texts.push_back({"the key help's text", row.meaning, ""});
        }
    }
    texts.push_back({"the key help's text", keyHelpFooter(), ""});
    for (const std::string& text : readAloudOwnTexts())
        texts.push_back({"the reading aloud's notice", text, ""});
    // Repeated texts (the same meaning on both screens) are looked at once.
    std::vector<OwnText> once;
    for (const OwnText& own : texts) {
        bool seen = false;
        for (const OwnText& kept : once)
            seen |= kept.where == own.where && kept.text == own.text;
        if (!seen)
            once.push_back(own);
    }
    return once;
}

} // namespace

std::vector<Finding> checkOwnTexts(FONT* font, const std::string& playerBook,
                                   const EndMessagesGiven& endMessages)
{
    std::vector<Finding> findings;
    // As specified, under the C locale: each text on its own.
    useLanguage("");
    for (const OwnText& own : ownTexts(playerBook, endMessages)) {
        const std::string missing = describeMissingGlyphs(font, own.text);
        if (!missing.empty())
            findings.push_back({0, Severity::Warning, own.where + " \"" + own.text + "\"" + own.note
                                                          + ": the font has no glyph for " + missing});
    }
    // Each translation in one line: a reader whose locale asks for it sees
    // every one of these texts in it.
    for (const std::string& language : shippedLanguages()) {
        useLanguage(language);
        std::string all;
        for (const OwnText& own : ownTexts(playerBook, endMessages))
            all += own.text + " ";
        const std::string missing = describeMissingGlyphs(font, all);
        if (!missing.empty())
            findings.push_back({0, Severity::Warning,
                                "the player's own texts in its \"" + language
                                    + "\" translation (for readers whose locale asks for it):"
                                      " the font has no glyph for "
                                    + missing});
    }
    useLanguage("");
    return findings;
}
