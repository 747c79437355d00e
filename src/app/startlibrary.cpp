#include "app/startlibrary.h"

#include "screen/window.h"

#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

bool displayNamed()
{
    const char* name = std::getenv("DISPLAY");
    return name && *name;
}

// What a connection that the server closed in its set-up leaves in errno.
bool closedByServer(int error)
{
    return error == EAGAIN || error == ECONNRESET || error == EPIPE || error == ENOENT;
}

} // namespace

bool connectToDisplay(const std::function<bool()>& connect)
{
    const int tries = displayNamed() ? CONNECT_TRIES : 1;
    int wait = FIRST_RETRY_WAIT_MS;
    for (int tried = 1;; ++tried) {
        errno = 0;
        if (connect())
            return true;
        if (tried == tries || !closedByServer(errno))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        wait = std::min(2 * wait, LONGEST_RETRY_WAIT_MS);
    }
}

int startLibrary()
{
    nameWindowBeforeStart();
    const bool started = connectToDisplay([] {
        if (allegro_init() == 0)
            return true;
        const int failure = errno;
        allegro_exit();
        errno = failure;
        return false;
    });
    return started ? 0 : -1;
}
