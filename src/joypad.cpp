#include "joypad.h"
