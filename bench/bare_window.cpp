// The bare library the player's own start-up and idle cost are compared
// with: start the library, open the same 640 x 480 window, and wait to be
// closed. The library is started as the player starts it
// (app/startlibrary.h), so that both meet an X server that is resetting
// alike; one that is not costs them a single allegro_init. Given a sound
// file (Ogg Vorbis, through logg, as the player plays a page's sound), it
// also plays it in a loop, the floor for a page that does the same:
//   quorvel-bench-bare [SOUND.ogg]
#include "app/startlibrary.h"

#include <allegro.h>
#include <logg.h>

static volatile int closed = 0;

static void onClose()
{
    closed = 1;
}

int main(int argc, char** argv)
{
    if (startLibrary() != 0)
        return 1;
    set_color_depth(16);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0)
        return 1;
    set_window_title("Quorvel");
    set_close_button_callback(onClose);
    install_timer();
    SAMPLE* sound = nullptr;
    if (argc > 1) {
        if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) != 0
            || !(sound = logg_load(argv[1])))
            return 1;
        play_sample(sound, 255, 128, 1000, 1);
    }
    while (!closed)
        rest(10);
    if (sound)
        destroy_sample(sound);
    return 0;
}
END_OF_MAIN()
