// The nearest of known words (the keys a book file may hold, names) to a
// misspelt one.
#ifndef QUORVEL_CHECK_KEYS_H
#define QUORVEL_CHECK_KEYS_H

#include <cstddef>
#include <string>
#include <vector>

// Number of single-byte insertions, deletions and substitutions that turn
// `a` into `b` (Levenshtein distance).
int editDistance(const std::string& a, const std::string& b);

// The longest word nearestOf looks for a misspelling of, in bytes: a name
// or key longer than this is nobody's slip of the finger, and comparing it
// costs its length times each candidate's.
const std::size_t NEAREST_LONGEST_WORD = 64;

// How many candidates nearestOf compares with one word at most: a book of
// 100,000 page names would otherwise cost 100,000 comparisons for each name
// that names no page.
const std::size_t NEAREST_MOST_COMPARED = 2000;

// The word of `known` nearest to `word`, or "" when none is close enough
// to be a likely misspelling (more edits than half of `word`'s length).
// Looks only when `word` is at most NEAREST_LONGEST_WORD bytes, passes over
// candidates whose length alone puts them too far, and compares at most
// NEAREST_MOST_COMPARED of the others, in their order.
std::string nearestOf(const std::string& word, const std::vector<std::string>& known);

// The known book-file key nearest to `key`, as nearestOf finds it.
std::string nearestKey(const std::string& key);

#endif
