// Starting the library against an X server that may be resetting.
//
// An X server resets itself whenever its last client leaves, unless it was
// started with -noreset (Xvfb and the servers xinit starts are not, by
// default): it remakes its screens and compiles its keymap again, a few
// tenths of a second at 1920 x 1080. A connection still in its set-up when
// that happens (accepted, not yet a client) is closed: XOpenDisplay returns
// null, and allegro_init fails with an empty allegro_error, although the
// server is there and takes the next connection, which waits in its queue
// while the reset runs. A program started just as the one before it ended,
// or while another program comes and goes (a script looking for a window),
// meets this.
//
// So a connection that the server closed is tried again after a short wait,
// up to CONNECT_TRIES times. Xlib leaves errno as the last system call that
// failed: for a connection closed in its set-up, the read that met its end
// (EAGAIN), its reset (ECONNRESET, EPIPE), or, when the read met the end at
// once, the look for an authority file that is not there (ENOENT). Any other
// failure is not tried again: a connection nothing took (ECONNREFUSED, as
// when DISPLAY names no server), a name that is no display or no host (errno
// 0), and no try is made again when DISPLAY is unset or empty. So a display
// that is not there still fails at once; one named by a socket path that is
// not there ("unix:N", ENOENT) after the waits. A server that refuses the
// client (no authorisation) closes the connection as a reset does and is
// asked again: Xlib prints its reason once a try.
#ifndef QUORVEL_STARTLIBRARY_H
#define QUORVEL_STARTLIBRARY_H

#include <functional>

// Tries of a connection at most, and the waits between them: the first
// FIRST_RETRY_WAIT_MS, each next one twice the one before, up to
// LONGEST_RETRY_WAIT_MS (at most 0.45 s of waits in all).
const int CONNECT_TRIES = 8;
const int FIRST_RETRY_WAIT_MS = 10;
const int LONGEST_RETRY_WAIT_MS = 100;

// Runs `connect` until it returns true, trying again as told above. `connect`
// begins by connecting to the display DISPLAY names; when it fails, it leaves
// nothing behind and errno as the failed connection left it. Returns whether
// a try succeeded.
bool connectToDisplay(const std::function<bool()>& connect);

// allegro_init through connectToDisplay, with allegro_exit after a try that
// failed. Returns 0 once the library has started, as allegro_init does;
// otherwise allegro_error is as the last try left it. The player, the tests
// that open windows and the benchmarks start the library this way.
int startLibrary();

#endif
