// The bare library start-up the player's own is compared with: start the
// library, open the same 640 x 480 window, and wait to be closed.
#include <allegro.h>

static volatile int closed = 0;

static void onClose()
{
    closed = 1;
}

int main()
{
    if (allegro_init() != 0)
        return 1;
    set_color_depth(16);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0)
        return 1;
    set_window_title("Quorvel");
    set_close_button_callback(onClose);
    install_timer();
    while (!closed)
        rest(10);
    return 0;
}
END_OF_MAIN()
