// What every screen's dialog loop shares: how a screen opens, how its dialog
// manager is started, how long each pass rests, and the window's close
// button, which ends whichever loop runs.
#ifndef QUORVEL_DIALOGPASS_H
#define QUORVEL_DIALOGPASS_H

#include <allegro.h>

// How long each pass of a screen's dialog loop rests. The library takes in
// mouse and keyboard events every 10 ms, so a pass as often sees each change
// of them within a pass, while an idle screen leaves the processor alone:
// an idle title menu costs about 1.1 times the bare library window's share
// of a core, against 1.3 times with a pass every 5 ms (bench/idle.sh). A
// key tapped between two passes waits in the keyboard buffer; a streamed
// sound's buffers hold half a second.
const int PASS_REST_MS = 10;

// The extra key of the player's one-button alerts (the end of the book, the
// about box): the letter c, which answers them as their button does.
const int ALERT_KEY = 'c';

// Set by the window's close button (once watchCloseButton has run); every
// screen loop watches it.
extern volatile int closeRequested;

// Has the window's close button set closeRequested. Needs the graphics mode set.
void watchCloseButton();

// The sequence each screen opens with: doubleBuffer cleared to colour 0
// and shown whole.
void openScreen();

// init_dialog(dialog, -1) for one of the player's screens. The screens read
// the gamepad themselves, through the virtual pad, so the dialog manager's
// own joystick handling is off, and with it the library's wait for a
// joystick to settle (40 ms before the first pass draws anything). The
// screens move the focus themselves, so the dialog manager stops following
// the pointer (gui_mouse_focus) from the first screen on.
DIALOG_PLAYER* startDialog(DIALOG* dialog);

#endif
