// The keys a book file may hold, and the nearest of them to a misspelt one.
#ifndef QUORVEL_CHECK_KEYS_H
#define QUORVEL_CHECK_KEYS_H

#include <string>

// Number of single-byte insertions, deletions and substitutions that turn
// `a` into `b` (Levenshtein distance).
int editDistance(const std::string& a, const std::string& b);

// The known book-file key nearest to `key`, or "" when none is close
// enough to be a likely misspelling (more edits than half of `key`'s length).
std::string nearestKey(const std::string& key);

#endif
