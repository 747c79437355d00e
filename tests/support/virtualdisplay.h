// An X server of a test's own, for screens of a size the shared one does not
// have, or one that resets, or that the test stops and resumes by its process
// id: Xvfb on a free display number (taken by its lock file, as X servers
// do), named in DISPLAY while the object lives and ended (by its process id)
// when it goes, or when the test's process ends in any other way.
#ifndef QUORVEL_VIRTUALDISPLAY_H
#define QUORVEL_VIRTUALDISPLAY_H

#include <string>

// Whether the server resets itself when its last client leaves, as X
// servers do unless told not to (-noreset).
enum class ServerReset { Never, WhenLastClientLeaves };

class VirtualDisplay {
public:
    // Starts Xvfb with one screen of width x height at 24 bits and waits up
    // to 10 s for it to take connections (on another number if the first
    // one tried turns out taken).
    VirtualDisplay(int width, int height, ServerReset reset = ServerReset::Never);
    ~VirtualDisplay(); // ends the server and restores DISPLAY

    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // True once the server takes connections and DISPLAY names it.
    bool ready() const { return !name_.empty(); }
    // Its name, ":N"; empty when it did not start.
    const std::string& name() const { return name_; }
    // The server's process id; -1 when it did not start.
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    std::string name_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
};

// A display name, ":N", that no X server holds: DISPLAY set to it names a
// display that is not there.
std::string displayWithNoServer();

#endif
