// The nearest of known words (the keys a book file may hold, names) to a
// misspelt one.
#ifndef QUORVEL_CHECK_KEYS_H
#define QUORVEL_CHECK_KEYS_H

#include <string>
#include <vector>

// Number of single-byte insertions, deletions and substitutions that turn
// `a` into `b` (Levenshtein distance).
int editDistance(const std::string& a, const std::string& b);

// The word of `known` nearest to `word`, or "" when none is close enough
// to be a likely misspelling (more edits than half of `word`'s length).
std::string nearestOf(const std::string& word, const std::vector<std::string>& known);

// The known book-file key nearest to `key`, as nearestOf finds it.
std::string nearestKey(const std::string& key);

#endif
