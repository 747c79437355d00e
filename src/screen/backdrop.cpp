// A screen's whole-screen picture that notes when it is drawn: see
// backdrop.h. The note is set and read on the main thread only, where the
// dialog manager draws.
#include "screen/backdrop.h"

namespace {
bool drawn = false;
} // namespace

int backdrop_proc(int msg, DIALOG* d, int c)
{
    if (msg == MSG_DRAW)
        drawn = true;
    return d_bitmap_proc(msg, d, c);
}

bool takeBackdropDrawn()
{
    const bool was = drawn;
    drawn = false;
    return was;
}
