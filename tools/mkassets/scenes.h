// The demo's pictures, painted in code. Each painter returns the finished
// 24-bit picture (the caller destroys it), or null with `error` set.
#ifndef QUORVEL_SCENES_H
#define QUORVEL_SCENES_H

#include <allegro.h>

#include <string>

// Title menu background, 640 x 480: a moonlit valley with the game's name.
BITMAP* paintTitle(std::string& error);

// Full-screen page backgrounds, 640 x 480: a forest by day and by night.
BITMAP* paintForestDay(std::string& error);
BITMAP* paintForestNight(std::string& error);

// Framed page illustrations.
BITMAP* paintPath(std::string& error);     // 420 x 300, a path into the trees
BITMAP* paintRiver(std::string& error);    // 619 x 320, a river with a stone bridge
BITMAP* paintPanorama(std::string& error); // 640 x 330, a wide valley
BITMAP* paintHouse(std::string& error);    // 300 x 300, a small house with a lit window
BITMAP* paintLantern(std::string& error);  // 200 x 300, a hanging lantern
BITMAP* paintOwl(std::string& error);      // 320 x 240, an owl on a branch
BITMAP* paintCave(std::string& error);     // 500 x 320, a cave mouth in a cliff
BITMAP* paintSunrise(std::string& error);  // 560 x 320, sunrise over the hills

#endif
