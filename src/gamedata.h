// One page of a book.
#ifndef QUORVEL_GAMEDATA_H
#define QUORVEL_GAMEDATA_H
#endif
