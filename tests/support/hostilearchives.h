// The hostile archives built from the sound zipped book (archivebooks.h):
// one maker for each way an archive can be hostile, shared by the tests
// (which state what the checker says of each) and the benchmark (which
// times each).
#ifndef QUORVEL_HOSTILEARCHIVES_H
#define QUORVEL_HOSTILEARCHIVES_H

#include "archivebooks.h"
#include "zipwriter.h"

#include <functional>
#include <string>
#include <vector>

struct HostileArchive {
    const char* name;
    // Makes the archive (or the FIFO, or the link to a device) at `path`.
    std::function<void(const std::string& path)> make;
};

// Every hostile archive, each named.
const std::vector<HostileArchive>& hostileArchives();

#endif
