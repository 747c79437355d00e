// An X server of a test's own, for screens of a size the shared one does not
// have: Xvfb on a free display number (taken by its lock file, as X servers
// do), named in DISPLAY while the object lives and ended (by its process id)
// when it goes, or when the test's process ends in any other way.
#ifndef QUORVEL_VIRTUALDISPLAY_H
#define QUORVEL_VIRTUALDISPLAY_H

#include <string>

class VirtualDisplay {
public:
    // Starts Xvfb with one screen of width x height at 24 bits and waits up
    // to 10 s for it to take connections (on another number if the first
    // one tried turns out taken).
    VirtualDisplay(int width, int height);
    ~VirtualDisplay(); // ends the server and restores DISPLAY

    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // True once the server takes connections and DISPLAY names it.
    bool ready() const { return !name_.empty(); }
    // Its name, ":N"; empty when it did not start.
    const std::string& name() const { return name_; }

private:
    int pid_ = -1;
    std::string name_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
};

#endif
