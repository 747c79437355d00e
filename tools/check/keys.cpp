#include "keys.h"

#include <algorithm>
#include <vector>

namespace {

// Every key the book reader knows, book-level and page-level.
const char* const knownKeys[] = {
    "book_name", "default_bg", "end_message_1", "end_message_2", "end_message_3",
    "page_start", "room_name", "but1_text", "but1_goto", "but2_text", "but2_goto",
    "but3_text", "but3_goto", "text_main", "pico_name", "sound_name", "sound_loop",
    "page_end",
};

} // namespace

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

std::string nearestKey(const std::string& key)
{
    std::string best;
    int bestDistance = 0;
    for (const char* known : knownKeys) {
        const int distance = editDistance(key, known);
        if (best.empty() || distance < bestDistance) {
            best = known;
            bestDistance = distance;
        }
    }
    if (2 * bestDistance > static_cast<int>(key.size()))
        return "";
    return best;
}
