#include "screen/dialogpass.h"

#include "screen/display.h"

volatile int closeRequested = 0;

static void onCloseButton()
{
    closeRequested = 1;
}

void watchCloseButton()
{
    set_close_button_callback(onCloseButton);
}

void openScreen()
{
    clear_to_color(doubleBuffer, 0);
    presentAll();
}

DIALOG_PLAYER* startDialog(DIALOG* dialog)
{
    // The screens move the focus themselves (screen/focus.h), the pointer's
    // part included.
    gui_mouse_focus = FALSE;
    DIALOG_PLAYER* player = init_dialog(dialog, -1);
    if (player)
        player->joy_on = FALSE;
    return player;
}
