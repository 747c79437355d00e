#include "book/reading.h"

#include <vector>

namespace {

std::vector<int> history;

} // namespace

void startReading()
{
    history.clear();
}

void startReadingFrom(const std::vector<int>& behind)
{
    history = behind;
}

const std::vector<int>& readingHistory()
{
    return history;
}

void rememberPage(int index)
{
    history.push_back(index);
}

bool takePreviousPage(int& index)
{
    if (!previousPage(index))
        return false;
    history.pop_back();
    return true;
}

bool previousPage(int& index)
{
    if (history.empty())
        return false;
    index = history.back();
    return true;
}
