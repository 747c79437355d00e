// Writing a small file the player keeps (a book's resume state, the shelf's
// list of books opened before) so that it is never seen half written.
#ifndef QUORVEL_REPLACEFILE_H
#define QUORVEL_REPLACEFILE_H

#include "text/problem.h"

#include <optional>
#include <string>

// Writes `text` as the file at `path`, making its folder when missing:
// whole into a file beside it, made to reach the disk, then renamed over
// `path`. On any failure the problem names `path` and says why (the
// system's words); a file already at `path` is then left as it was.
std::optional<Problem> replaceFile(const std::string& path, const std::string& text);

#endif
