// The reader's language: the player's own texts (buttons, the book line,
// boxes, the key help, what is read aloud) translated with GNU gettext, from
// the catalogues built from po/ and installed as
// <prefix>/share/locale/<language>/LC_MESSAGES/quorvel.mo, found from the
// running executable's own place as its data is (app/startfiles.h), so that
// the build tree and a moved installation work alike.
//
// Invariants: a message id is the text exactly as the player shows it under
// the C or POSIX locale, and under a language no catalogue is shipped for;
// a book's own texts (its pages, its end messages) never pass through here.
// The language is chosen once, at start-up, from the reader's locale
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as every gettext program does);
// only the book checker changes it later (useLanguage), to look at each
// shipped translation in turn. Main thread only.
#ifndef QUORVEL_LANGUAGE_H
#define QUORVEL_LANGUAGE_H

#include <string>
#include <vector>

// Marks a text for xgettext where it is written (a table), without
// translating it; tr() translates it where it is shown.
#define N_(text) text

// Takes the language of the messages from the environment and binds the
// player's catalogues in `localeDir` (installedLocaleDir() when empty).
// Call once before any text is looked up; without it tr() returns its
// argument.
void startLanguage(const std::string& localeDir = "");

// The text shown for `msgid` in the reader's language: its translation, or
// `msgid` itself when there is none. The result lives for the whole run (it
// points into the catalogue or is `msgid`).
const char* tr(const char* msgid);

// tr() for a message id that needs `context` to tell it from the same words
// meant otherwise (xgettext's msgctxt).
const char* trIn(const char* context, const char* msgid);

// The languages a catalogue is shipped for ("en", "ru"), as po/LINGUAS
// lists them.
std::vector<std::string> shippedLanguages();

// Has tr() answer in `language`, one of shippedLanguages(), or as the C
// locale does for "". For tools that look at every translation in turn.
void useLanguage(const std::string& language);

// The language of the reader as a short code ("ru", "en", "de"): that of
// the catalogue in use, else that of the messages' locale; "en" under the C
// or POSIX locale, whose texts are the English of the message ids.
std::string readerLanguage();

#endif
