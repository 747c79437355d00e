// A reading of the open book: the pages behind the reader, for Back. The
// history lives in memory for one opening of the book; where books are
// remembered (book/resume.h) it is kept with the page the reader left.
#ifndef QUORVEL_READING_H
#define QUORVEL_READING_H

#include <vector>

// Starts a new reading: no page behind.
void startReading();

// Starts a reading with `behind` (page indices, the oldest first) behind
// the reader, as a remembered reading left it.
void startReadingFrom(const std::vector<int>& behind);

// The pages behind the reader, the oldest first.
const std::vector<int>& readingHistory();

// Notes that the reader leaves page `index` by a choice.
void rememberPage(int index);

// Takes the page the reader left by the last choice off the history, into
// `index`. False (and `index` untouched) at the first page of the reading.
bool takePreviousPage(int& index);

// The page Back would go to now, into `index`, leaving the history as it
// is. False (and `index` untouched) at the first page of the reading.
bool previousPage(int& index);

#endif
