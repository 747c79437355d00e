#include "main.h"

#include "gamepage.h"
#include "init.h"
#include "title.h"

#include <allegro.h>

#include <cstdio>

int gameOver = 0;

int main(int, char**)
{
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
