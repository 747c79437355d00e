#include "gamepage.h"

// Until the page screen exists, Start Game leads straight back to the title.
int gamePage()
{
    return 0;
}
