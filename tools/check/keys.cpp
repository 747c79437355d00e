#include "keys.h"

#include "book/bookkeys.h"

#include <algorithm>
#include <vector>

int editDistance(const std::string& a, const std::string& b)
{
    // One row of the classic table at a time: row[j] is the distance between
    // the first i bytes of a and the first j bytes of b.
    std::vector<int> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            const int substitution = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string nearestOf(const std::string& word, const std::vector<std::string>& known)
{
    if (word.size() > NEAREST_LONGEST_WORD)
        return "";
    // A likely misspelling is at most half the word's length away, and no
    // nearer than the difference of the two lengths.
    const std::size_t reach = word.size() / 2;
    std::string best;
    int bestDistance = 0;
    std::size_t compared = 0;
    for (const std::string& candidate : known) {
        const std::size_t apart = candidate.size() > word.size() ? candidate.size() - word.size()
                                                                 : word.size() - candidate.size();
        if (apart > reach)
            continue;
        if (++compared > NEAREST_MOST_COMPARED)
            break;
        const int distance = editDistance(word, candidate);
        if (best.empty() || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    if (2 * bestDistance > static_cast<int>(word.size()))
        return "";
    return best;
}

std::string nearestKey(const std::string& key)
{
    return nearestOf(key, rowNames(bookKeys()));
}
