// A passing notice: one line of text in a small box near the foot of the
// logical screen, shown for a few seconds over whatever screen is up (as the
// display's overlay, screen/display.h), without taking the keys or the
// mouse from it. For what the reader should see said without answering it:
// reading aloud turned on or off, the speech service missing.
#ifndef QUORVEL_NOTICE_H
#define QUORVEL_NOTICE_H

#include <string>

// How long a notice stays.
const int NOTICE_MS = 3000;

// Shows `text` as the notice, in place of any notice shown before.
void showNotice(const std::string& text);

#endif
