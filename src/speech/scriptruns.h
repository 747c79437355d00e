// A text cut into runs by script, each with the language it is to be read
// in, so that a bilingual page is read as it is written: Cyrillic in a
// Russian voice (or the reader's, when the reader's language is written in
// Cyrillic), other letters in the reader's language (or English, when the
// reader's language is written in Cyrillic, as no Latin text is Russian).
//
// Invariants: the runs, joined, are the text; no run is empty; two runs
// side by side differ in language. Characters of no script (spaces,
// digits, punctuation, symbols) go with the run they stand in, and at the
// text's start with the first run that has letters. Pure code: no library.
#ifndef QUORVEL_SCRIPTRUNS_H
#define QUORVEL_SCRIPTRUNS_H

#include <string>
#include <string_view>
#include <vector>

// A piece of text and the language to say it in ("ru", "en").
struct Utterance {
    std::string text;
    std::string language;
};

// Whether `language` (a short code: "ru", "uk") is written in Cyrillic.
bool writtenInCyrillic(std::string_view language);

// `text` (valid UTF-8) cut into runs by script for a reader whose language
// is `readerLanguage`. A text without letters is one run in the language
// of other letters; an empty text gives no run.
std::vector<Utterance> splitByScript(std::string_view text, const std::string& readerLanguage);

#endif
