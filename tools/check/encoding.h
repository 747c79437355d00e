// Which single-byte encoding a book file that is not UTF-8 was most likely
// saved in, so that its author can be told how to save it instead.
#ifndef QUORVEL_CHECK_ENCODING_H
#define QUORVEL_CHECK_ENCODING_H

#include <string>
#include <string_view>

enum class LegacyEncoding {
    Unknown,
    Windows1251, // Cyrillic
    Windows1252, // Western European
};

// Looks at the bytes above 127 of a whole file. Windows-1251 when most of
// them are Cyrillic letters standing next to one another, as the letters of
// Russian words do; Windows-1252 when every one is a character of that
// code page (its accented letters mostly stand alone in Latin words);
// Unknown otherwise, or when there is no such byte.
LegacyEncoding guessLegacyEncoding(std::string_view bytes);

// "Windows-1251 (Cyrillic)" ...; empty for Unknown.
std::string legacyEncodingName(LegacyEncoding encoding);

#endif
