// What the checker finds in a book, and how it is printed: one line per
// finding in the style of a compiler, then a count.
#ifndef QUORVEL_CHECK_REPORT_H
#define QUORVEL_CHECK_REPORT_H

#include <string>
#include <vector>

enum class Severity {
    Error,   // the book does not work as written
    Warning, // it works, maybe not as the author meant
    Note,    // it works as meant; worth knowing (not counted in the summary)
};

struct Finding {
    int line;            // line in the book file, from 1; 0 for the file as a whole
    Severity severity;
    std::string message;
};

// "FILE:LINE: error: MESSAGE" (or warning, or note), or "FILE: warning:
// MESSAGE" for line 0.
std::string formatFinding(const std::string& file, const Finding& finding);

// Number of findings of `severity`.
int countOf(const std::vector<Finding>& findings, Severity severity);

// `path` (as the player builds it from its book setting) relative to the
// book's folder, as the author names files: "pico/bg.png".
std::string bookRelative(const std::string& path);

// "1 file", "2 files": `count` and `noun`, plural unless `count` is 1. For
// nouns whose plural adds an "s".
std::string counted(long long count, const std::string& noun);

// "2 errors, 1 warning": the closing line of a report.
std::string summaryLine(const std::vector<Finding>& findings);

#endif
