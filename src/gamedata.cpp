#include "gamedata.h"
