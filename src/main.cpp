#include "main.h"

#include "gamepage.h"
#include "init.h"
#include "title.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

int gameOver = 0;

int main(int, char**)
{
    // The player takes no typed text, so the X input method that the
    // keyboard opens need not parse the locale's whole Compose table: that
    // alone took a third of the start-up. A Compose file the user chose is kept.
    setenv("XCOMPOSEFILE", "/dev/null", 0);
    // Without a display the library cannot start, and its later calls would
    // crash: say so plainly and fail.
    if (allegro_init() != 0) {
        std::fprintf(stderr, "quorvel: cannot start: a graphical display is needed"
                             " (is DISPLAY set?): %s\n", allegro_error);
        return 1;
    }
    init();
    while (gameOver == 0) {
        if (title()) {
            gamePage();
            if (closeRequested)
                gameOver = -1;
        } else {
            gameOver = -1;
        }
    }
    done();
    return 0;
}
END_OF_MAIN()
