#include "media/quietdecoders.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

#if defined(__SANITIZE_ADDRESS__)
const bool hiding = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const bool hiding = false;
#else
const bool hiding = true;
#endif
#else
const bool hiding = true;
#endif

int depth = 0;        // DecoderOutputHidden objects alive
int savedError = -1;  // the descriptor standard error was, while hidden

} // namespace

DecoderOutputHidden::DecoderOutputHidden()
{
    if (!hiding || depth++ > 0)
        return;
    std::fflush(stderr);
    const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing < 0)
        return; // nothing hidden: the chatter shows, nothing else is lost
    savedError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (savedError >= 0)
        dup2(nothing, STDERR_FILENO);
    close(nothing);
}

DecoderOutputHidden::~DecoderOutputHidden()
{
    if (!hiding || --depth > 0 || savedError < 0)
        return;
    std::fflush(stderr);
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    savedError = -1;
}
