// Virtual pad: nine logical buttons fed by keys and joystick inputs.
#ifndef QUORVEL_JOYPAD_H
#define QUORVEL_JOYPAD_H
#endif
