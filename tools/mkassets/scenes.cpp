// The demo's pictures. Each scene is painted back to front: sky, far
// hills, nearer hills and trees, details, then a frame for illustrations.
// Random placement comes from fixed seeds, so every build paints the same.
#include "scenes.h"

#include "canvas.h"
#include "lettering.h"
#include "rng.h"

#include <cmath>
#include <vector>

namespace {

const double kPi = 3.14159265358979;

// A rolling skyline: y = base + a sum of a few sines with random phases.
struct Ridge {
    struct Wave {
        double amplitude, length, phase;
    };
    double base;
    std::vector<Wave> waves;

    double operator()(double x) const
    {
        double y = base;
        for (const Wave& w : waves)
            y += w.amplitude * std::sin(2 * kPi * x / w.length + w.phase);
        return y;
    }
};

// `roughness` scales the two shortest waves: 1 for craggy, lower for smooth.
Ridge makeRidge(Rng& rng, double base, double height, double length, double roughness = 1)
{
    Ridge r{base, {}};
    for (double part : {1.0, 0.45, 0.2, 0.08}) {
        const double amplitude = height * part * (part < 0.3 ? roughness : 1);
        r.waves.push_back({amplitude, length * part * rng.range(0.8, 1.25), rng.range(0, 2 * kPi)});
    }
    return r;
}

// Finishes a canvas into its picture, or says why it could not.
BITMAP* finish(const Canvas& c, std::string& error)
{
    BITMAP* out = shrinkCanvas(c);
    if (!out)
        error = "out of memory for a " + std::to_string(c.w()) + "x" + std::to_string(c.h()) + " picture";
    return out;
}

// The widest illustration the demo shows: an illustration is centred on
// the page, and one no wider than this stays clear of the page's title line
// (the demo's longest is some 140 pixels) and of the Menu button, as a good
// book's pages do. A scene painted wider is made smaller, whole.
const int ILLUSTRATION_MAX_W = 340;

// Finishes an illustration's canvas, no wider than ILLUSTRATION_MAX_W.
BITMAP* finishIllustration(const Canvas& c, std::string& error)
{
    BITMAP* out = shrinkCanvas(c, ILLUSTRATION_MAX_W);
    if (!out)
        error = "out of memory for a " + std::to_string(c.w()) + "x" + std::to_string(c.h()) + " picture";
    return out;
}

bool started(const Canvas& c, std::string& error)
{
    if (!c.ok())
        error = "out of memory for a " + std::to_string(c.w()) + "x" + std::to_string(c.h()) + " canvas";
    return c.ok();
}

// A conifer: stacked tiers over a short trunk, lit a little from the left.
void pine(Canvas& c, double x, double baseY, double height, Rgb colour, Rgb light, double lightAlpha = 0.25)
{
    fillRect(c, x - height * 0.03, baseY - height * 0.15, x + height * 0.03, baseY, mix(colour, {20, 12, 8}, 0.5));
    const int tiers = 4;
    for (int i = 0; i < tiers; ++i) {
        const double apex = baseY - height + i * height * 0.19;
        const double foot = apex + height * 0.36;
        const double half = height * (0.13 + i * 0.055);
        polygon(c, {{x, apex}, {x + half, foot}, {x + half * 0.3, foot - height * 0.03}, {x - half * 0.3, foot - height * 0.03}, {x - half, foot}}, colour);
        polygon(c, {{x, apex}, {x - half, foot}, {x - half * 0.3, foot - height * 0.03}, {x, foot - height * 0.02}}, light, lightAlpha);
    }
}

// A leafy tree: a trunk under a cluster of round clumps, lit from above left.
void leafyTree(Canvas& c, double x, double baseY, double height, Rgb leaf, Rgb light, Rgb trunk)
{
    const double r = height * 0.27;
    const double cy = baseY - height + r * 1.1;
    thickLine(c, {x, baseY}, {x, cy + r * 0.3}, height * 0.07, trunk);
    thickLine(c, {x, cy + r * 0.9}, {x - r * 0.5, cy + r * 0.2}, height * 0.03, trunk);
    const struct {
        double dx, dy, size;
    } clumps[] = {{-0.62, 0.35, 0.72}, {0.6, 0.3, 0.78}, {0, 0.05, 1.0}, {-0.3, -0.45, 0.7}, {0.35, -0.4, 0.68}};
    for (const auto& k : clumps)
        disc(c, x + k.dx * r, cy + k.dy * r, k.size * r, leaf);
    beginLayer(c);
    for (const auto& k : clumps)
        disc(c, x + k.dx * r - k.size * r * 0.25, cy + k.dy * r - k.size * r * 0.28, k.size * r * 0.6, light, 0.35);
    endLayer(c, light, 0.35);
}

// A soft cloud of overlapping puffs.
void cloud(Canvas& c, double x, double y, double size, Rgb colour, double alpha)
{
    beginLayer(c);
    ellipse(c, x, y, size * 1.6, size * 0.42, colour, alpha);
    disc(c, x - size * 0.55, y - size * 0.2, size * 0.5, colour, alpha);
    disc(c, x + size * 0.2, y - size * 0.35, size * 0.62, colour, alpha);
    disc(c, x + size * 0.85, y - size * 0.1, size * 0.4, colour, alpha);
    endLayer(c, colour, alpha, size * 0.06);
}

// A long thin wisp of cloud.
void wisp(Canvas& c, double x, double y, double length, Rgb colour, double alpha)
{
    beginLayer(c);
    ellipse(c, x, y, length / 2, 3, colour);
    ellipse(c, x + length * 0.15, y - 2, length / 3, 3, colour);
    endLayer(c, colour, alpha, 5);
}

// Scattered stars between y0 and y1, a few of them with a soft halo.
void stars(Canvas& c, Rng& rng, int count, double y0, double y1, Rgb sky)
{
    for (int i = 0; i < count; ++i) {
        const double x = rng.range(0, c.w()), y = rng.range(y0, y1);
        const double bright = rng.unit();
        const Rgb colour = mix(sky, {250, 248, 235}, 0.45 + 0.55 * bright);
        if (bright > 0.85)
            glow(c, x, y, 5, {220, 225, 255}, 0.35);
        disc(c, x, y, 0.45 + 0.75 * bright * bright, colour);
    }
}

// A full moon with its halo and a few soft grey seas.
void moon(Canvas& c, double x, double y, double r)
{
    glow(c, x, y, r * 4, {150, 170, 230}, 0.28);
    glow(c, x, y, r * 1.8, {220, 225, 245}, 0.35);
    disc(c, x, y, r, {246, 242, 222});
    disc(c, x - r * 0.3, y - r * 0.2, r * 0.28, {226, 220, 200}, 0.4);
    disc(c, x + r * 0.25, y + r * 0.3, r * 0.22, {226, 220, 200}, 0.35);
    disc(c, x + r * 0.35, y - r * 0.35, r * 0.12, {228, 222, 204}, 0.35);
    disc(c, x - r * 0.1, y + r * 0.45, r * 0.1, {228, 222, 204}, 0.3);
}

// A glowing speck of warm light.
void firefly(Canvas& c, double x, double y)
{
    glow(c, x, y, 7, {255, 220, 120}, 0.45);
    disc(c, x, y, 1.0, {255, 245, 200});
}

// The pale header strip that the menu's and the pages' dark title text sits
// on: a silvery band with a thin trim and a faint shadow under it.
void headerBand(Canvas& c, double height)
{
    gradient(c, 0, 0, c.w(), height, {{0, {226, 231, 242}}, {1, {204, 212, 232}}});
    fillRect(c, 0, height, c.w(), height + 1.5, {150, 160, 200});
    fillRect(c, 0, height + 1.5, c.w(), height + 2.5, {220, 200, 140}, 0.6);
    gradient(c, 0, height + 2.5, c.w(), height + 9, {{0, {0, 0, 10}}, {1, {0, 0, 10}}}, 0.12);
}

void arc(Canvas& c, double cx, double cy, double r, double from, double to, double width, Rgb colour)
{
    const int steps = 40;
    for (int i = 0; i < steps; ++i) {
        const double a0 = from + (to - from) * i / steps, a1 = from + (to - from) * (i + 1) / steps;
        thickLine(c, {cx + r * std::cos(a0), cy + r * std::sin(a0)}, {cx + r * std::cos(a1), cy + r * std::sin(a1)},
                  width, colour);
    }
}

// A band following a winding centre line from far (t = 0, at `far`) to near
// (t = 1, at `near`), widening from `farWidth` to `nearWidth`: a path or a
// river seen in perspective, nearer ground spreading out faster.
struct Band {
    Pt far, near;
    double farWidth, nearWidth, wiggle, turns;

    double y(double t) const { return far.y + (near.y - far.y) * t; }
    double centre(double t) const
    {
        return far.x + (near.x - far.x) * t * t + wiggle * t * std::sin(turns * kPi * t);
    }
    double width(double t) const { return farWidth + (nearWidth - farWidth) * t * t; }
    // The t at which the band crosses height `atY`.
    double at(double atY) const { return (atY - far.y) / (near.y - far.y); }

    std::vector<Pt> outline() const
    {
        std::vector<Pt> left, right;
        const int steps = 60;
        for (int i = 0; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            left.push_back({centre(t) - width(t) / 2, y(t)});
            right.push_back({centre(t) + width(t) / 2, y(t)});
        }
        left.insert(left.end(), right.rbegin(), right.rend());
        return left;
    }
};

} // namespace

BITMAP* paintTitle(std::string& error)
{
    const std::string fontFile = findFont({"/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
                                           "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"});
    if (fontFile.empty()) {
        error = "neither DejaVuSerif-Bold.ttf nor DejaVuSans-Bold.ttf is in /usr/share/fonts/truetype/dejavu/";
        return nullptr;
    }
    Canvas c(640, 480);
    if (!started(c, error))
        return nullptr;
    Rng rng(1001);

    const Rgb skyTop{12, 20, 54};
    gradient(c, 0, 0, 640, 480, {{0.0, skyTop}, {0.45, {28, 44, 96}}, {0.68, {54, 72, 132}}, {0.75, {80, 92, 150}}, {1, {60, 70, 120}}});
    stars(c, rng, 170, 28, 330, skyTop);
    moon(c, 540, 100, 32);
    wisp(c, 500, 128, 180, {130, 145, 200}, 0.3);
    wisp(c, 575, 140, 110, {130, 145, 200}, 0.25);
    wisp(c, 110, 92, 200, {100, 115, 175}, 0.22);

    Ridge mountains = makeRidge(rng, 300, 22, 260);
    fillBelow(c, mountains, 480, {62, 78, 134});
    mist(c, 290, 350, {130, 145, 200}, 0.25);
    Ridge hills = makeRidge(rng, 336, 12, 300);
    fillBelow(c, hills, 480, {36, 48, 94});
    for (double x = 6; x < 640; x += rng.range(9, 16))
        if (x < 205 || x > 445)
            pine(c, x, hills(x) + 3, rng.range(22, 38), {30, 40, 82}, {70, 85, 140}, 0.2);

    // A cottage on the far hill, its window lit.
    const double hx = 150, hy = hills(150) + 2;
    fillRect(c, hx - 13, hy - 14, hx + 13, hy, {44, 52, 92});
    polygon(c, {{hx - 17, hy - 13}, {hx, hy - 26}, {hx + 17, hy - 13}}, {30, 34, 66});
    glow(c, hx - 4, hy - 7, 22, {255, 200, 110}, 0.4);
    fillRect(c, hx - 7, hy - 10, hx - 1, hy - 4, {255, 214, 130});

    mist(c, 335, 372, {110, 125, 185}, 0.2);
    Ridge near = makeRidge(rng, 372, 9, 420);
    fillBelow(c, near, 480, {20, 27, 58});
    gradient(c, 0, 400, 640, 480, {{0, {20, 27, 58}}, {1, {10, 13, 32}}}, 0.8);
    for (double x = -6; x < 640; x += rng.range(14, 24))
        if (x < 130 || x > 510)
            pine(c, x, near(x) + 6, rng.range(60, 95), {14, 19, 42}, {60, 70, 120}, 0.12);
    for (int i = 0; i < 14; ++i)
        firefly(c, rng.range(20, 620), rng.range(440, 472));

    headerBand(c, 26);

    // The game's name, with a soft shadow under and a warm glow around it.
    Mask letters;
    if (!renderText(c, fontFile, "QUORVEL", 80, 320, 446, 6, letters, error))
        return nullptr;
    Mask soft = letters;
    blurMask(soft, 4 * c.scale());
    paintMask(c, soft, {255, 210, 140}, {255, 190, 110}, 380, 450, 0.45);
    paintMask(c, soft, {0, 0, 8}, {0, 0, 8}, 380, 450, 0.8, 2, 3);
    paintMask(c, letters, {255, 236, 176}, {218, 160, 78}, 388, 446, 1);
    return finish(c, error);
}

BITMAP* paintForestDay(std::string& error)
{
    Canvas c(640, 480);
    if (!started(c, error))
        return nullptr;
    Rng rng(2002);

    gradient(c, 0, 0, 640, 480, {{0, {238, 243, 240}}, {0.45, {205, 224, 232}}, {0.7, {196, 214, 220}}, {1, {196, 214, 220}}});
    glow(c, 470, 70, 150, {255, 250, 225}, 0.5);
    cloud(c, 380, 90, 38, {255, 255, 255}, 0.55);
    cloud(c, 170, 130, 30, {255, 255, 255}, 0.45);

    Ridge far = makeRidge(rng, 250, 18, 300);
    fillBelow(c, far, 480, {176, 200, 198});
    for (double x = 0; x < 640; x += rng.range(7, 12))
        pine(c, x, far(x) + 12, rng.range(30, 46), {156, 184, 178}, {200, 215, 210}, 0.3);
    mist(c, 240, 320, {236, 242, 238}, 0.45);

    Ridge mid = makeRidge(rng, 300, 10, 360);
    fillBelow(c, mid, 480, {128, 164, 132});
    for (double x = -10; x < 650; x += rng.range(16, 28)) {
        if (rng.unit() < 0.5)
            pine(c, x, mid(x) + 10, rng.range(60, 90), {104, 142, 112}, {170, 200, 160}, 0.25);
        else
            leafyTree(c, x, mid(x) + 10, rng.range(50, 70), {112, 154, 108}, {176, 206, 150}, {100, 90, 72});
    }
    mist(c, 310, 360, {230, 240, 228}, 0.3);

    // A calm meadow; the page's text box covers most of it.
    Ridge meadow = makeRidge(rng, 352, 5, 500);
    fillBelow(c, meadow, 480, {150, 184, 120});
    gradient(c, 0, 380, 640, 480, {{0, {150, 184, 120}}, {1, {126, 162, 100}}}, 0.7);

    // Tall trees at both edges frame the clearing.
    pine(c, 18, 480, 420, {70, 104, 82}, {140, 170, 130}, 0.25);
    pine(c, 70, 470, 300, {82, 118, 92}, {150, 180, 140}, 0.25);
    pine(c, 622, 480, 430, {70, 104, 82}, {140, 170, 130}, 0.25);
    pine(c, 575, 472, 320, {82, 118, 92}, {150, 180, 140}, 0.25);
    return finish(c, error);
}

BITMAP* paintForestNight(std::string& error)
{
    Canvas c(640, 480);
    if (!started(c, error))
        return nullptr;
    Rng rng(3003);

    const Rgb skyTop{16, 24, 60};
    gradient(c, 0, 0, 640, 480, {{0, skyTop}, {0.5, {36, 50, 98}}, {0.7, {52, 68, 118}}, {1, {40, 52, 96}}});
    stars(c, rng, 120, 26, 260, skyTop);
    moon(c, 500, 86, 24);

    Ridge far = makeRidge(rng, 250, 16, 320);
    fillBelow(c, far, 480, {52, 66, 112});
    for (double x = 0; x < 640; x += rng.range(7, 12))
        pine(c, x, far(x) + 12, rng.range(30, 46), {46, 60, 104}, {90, 104, 150}, 0.2);
    mist(c, 240, 320, {110, 124, 176}, 0.35);

    Ridge mid = makeRidge(rng, 300, 10, 360);
    fillBelow(c, mid, 480, {32, 44, 82});
    for (double x = -10; x < 650; x += rng.range(14, 24))
        pine(c, x, mid(x) + 10, rng.range(60, 90), {26, 36, 72}, {80, 96, 150}, 0.15);
    mist(c, 310, 362, {100, 116, 170}, 0.25);

    Ridge ground = makeRidge(rng, 352, 5, 500);
    fillBelow(c, ground, 480, {22, 32, 60});
    gradient(c, 0, 380, 640, 480, {{0, {22, 32, 60}}, {1, {14, 20, 42}}}, 0.7);

    pine(c, 18, 480, 420, {14, 20, 44}, {70, 84, 130}, 0.15);
    pine(c, 70, 470, 300, {18, 26, 52}, {70, 84, 130}, 0.15);
    pine(c, 622, 480, 430, {14, 20, 44}, {70, 84, 130}, 0.15);
    pine(c, 575, 472, 320, {18, 26, 52}, {70, 84, 130}, 0.15);
    for (int i = 0; i < 12; ++i)
        firefly(c, rng.range(90, 550), rng.range(300, 360));

    headerBand(c, 24);
    return finish(c, error);
}

BITMAP* paintPath(std::string& error)
{
    Canvas c(420, 300);
    if (!started(c, error))
        return nullptr;
    Rng rng(4004);

    gradient(c, 0, 0, 420, 300, {{0, {190, 218, 236}}, {0.5, {238, 240, 222}}, {1, {238, 240, 222}}});
    glow(c, 212, 150, 120, {255, 246, 200}, 0.7);
    Ridge far = makeRidge(rng, 150, 6, 200);
    fillBelow(c, far, 300, {160, 190, 160});
    for (double x = 0; x < 420; x += rng.range(8, 14))
        if (std::fabs(x - 212) > 14)
            pine(c, x, far(x) + 8, rng.range(26, 40), {140, 174, 146}, {200, 220, 190}, 0.3);
    fillBelow(c, [](double x) { return 160 + 2 * std::sin(x / 40); }, 300, {150, 186, 104});
    gradient(c, 0, 200, 420, 300, {{0, {150, 186, 104}}, {1, {112, 156, 78}}}, 0.8);

    // The path winds from the foreground into the light between the trees.
    const Band path{{212, 160}, {190, 300}, 6, 190, 40, 1.6};
    polygon(c, path.outline(), {206, 182, 136});
    polygon(c, Band{{212, 160}, {190, 300}, 2, 70, 40, 1.6}.outline(), {224, 204, 160}, 0.6);

    // Trees either side, larger as they come nearer.
    const struct {
        double x, base, height;
        bool leafy;
    } trees[] = {{150, 168, 70, false}, {272, 168, 66, false}, {120, 180, 95, true}, {305, 180, 100, true},
                 {80, 205, 140, false}, {345, 205, 150, false}, {30, 245, 200, true}, {398, 250, 210, true},
                 {-10, 300, 280, false}, {440, 300, 290, false}};
    for (const auto& t : trees) {
        if (t.leafy)
            leafyTree(c, t.x, t.base, t.height, {84, 132, 80}, {160, 200, 120}, {96, 76, 56});
        else
            pine(c, t.x, t.base, t.height, {66, 112, 82}, {150, 190, 140}, 0.3);
    }
    for (int i = 0; i < 40; ++i) { // tufts of grass along the verges
        const double x = rng.range(0, 420), y = rng.range(200, 298);
        if (std::fabs(x - path.centre(path.at(y))) < path.width(path.at(y)) / 2 + 4)
            continue;
        thickLine(c, {x, y}, {x - 2, y - 5 - (y - 200) / 20}, 1.2, {96, 142, 70});
        thickLine(c, {x, y}, {x + 2, y - 4 - (y - 200) / 20}, 1.2, {104, 150, 74});
    }
    frame(c, {70, 56, 44}, {240, 232, 210});
    return finishIllustration(c, error);
}

BITMAP* paintRiver(std::string& error)
{
    Canvas c(619, 320);
    if (!started(c, error))
        return nullptr;
    Rng rng(5005);

    gradient(c, 0, 0, 619, 320, {{0, {176, 208, 234}}, {0.45, {226, 236, 238}}, {1, {226, 236, 238}}});
    cloud(c, 140, 60, 30, {255, 255, 255}, 0.7);
    cloud(c, 470, 44, 24, {255, 255, 255}, 0.6);
    Ridge hills = makeRidge(rng, 135, 14, 260, 0.5);
    fillBelow(c, hills, 320, {150, 184, 166});
    for (double x = 0; x < 619; x += rng.range(8, 14))
        pine(c, x, hills(x) + 12, rng.range(22, 36), {126, 164, 140}, {190, 214, 190}, 0.3);
    fillBelow(c, [](double x) { return 150 + 3 * std::sin(x / 50); }, 320, {136, 180, 100});
    gradient(c, 0, 190, 619, 320, {{0, {136, 180, 100}}, {1, {104, 152, 76}}}, 0.8);

    // The river, with light glinting on it.
    const Band river{{330, 150}, {300, 320}, 16, 420, 50, 1.3};
    const Rgb water{110, 164, 196};
    polygon(c, river.outline(), water);
    polygon(c, Band{{330, 150}, {300, 320}, 6, 200, 50, 1.3}.outline(), {140, 190, 216}, 0.5);
    for (int i = 0; i < 30; ++i) {
        const double t = rng.range(0.05, 1.0);
        const double x = river.centre(t) + rng.range(-0.4, 0.4) * river.width(t);
        ellipse(c, x, river.y(t), 3 + 14 * t, 0.6 + t, {236, 246, 250}, 0.55);
    }

    // A stone bridge springing from bank to bank, its arch over the water.
    const double waterY = 238, tb = river.at(waterY);
    const double cx = river.centre(tb), half = river.width(tb) / 2 + 10;
    const double archHeight = 36, deckTop = waterY - archHeight - 20;
    const double left = cx - half - 70, right = cx + half + 70;
    auto deck = [&](double x) {
        const double u = (x - cx) / (right - cx);
        return deckTop + 12 * u * u;
    };

    // Its reflection, darkening the water under it but for the mirrored arch.
    std::vector<Pt> shade;
    const double depth = (waterY - deckTop) * 0.7;
    for (double y = waterY; y <= waterY + depth; y += 2)
        shade.push_back({river.centre(river.at(y)) - river.width(river.at(y)) / 2, y});
    for (double y = waterY + depth; y >= waterY; y -= 2)
        shade.push_back({river.centre(river.at(y)) + river.width(river.at(y)) / 2, y});
    polygon(c, shade, {60, 96, 120}, 0.45);
    std::vector<Pt> mirrored;
    for (int i = 0; i <= 24; ++i) {
        const double a = kPi * i / 24.0;
        mirrored.push_back({cx + (half - 2) * std::cos(a), waterY + archHeight * 0.75 * std::sin(a)});
    }
    polygon(c, mirrored, {128, 180, 208});

    std::vector<Pt> body = {{left, waterY}};
    for (int i = 0; i <= 24; ++i) {
        const double x = left + (right - left) * i / 24.0;
        body.push_back({x, deck(x)});
    }
    body.push_back({right, waterY});
    for (int i = 0; i <= 24; ++i) {
        const double a = kPi * i / 24.0;
        body.push_back({cx + half * std::cos(a), waterY - archHeight * std::sin(a)});
    }
    const Rgb stone{178, 166, 150}, stoneDark{146, 134, 122}, stoneLight{198, 188, 172};
    polygon(c, body, stone);
    for (int row = 0; row < 3; ++row) // courses of stones
        for (double x = left + 2 + (row % 2) * 9; x < right - 16; x += 18) {
            const double y = deck(x + 8) + 5 + row * 8;
            if (y + 7 < waterY && std::hypot((x + 8 - cx) / (half + 6), (y + 7 - waterY) / (archHeight + 6)) > 1)
                fillRect(c, x, y, x + 15, y + 6, stoneLight, 0.55);
        }
    for (int i = 0; i < 13; ++i) { // the ring of stones round the arch
        const double a = kPi * (i + 0.5) / 13.0;
        const Pt inner{cx + half * std::cos(a), waterY - archHeight * std::sin(a)};
        const Pt outer{cx + (half + 7) * std::cos(a), waterY - (archHeight + 7) * std::sin(a)};
        thickLine(c, inner, outer, 6, stoneDark);
    }
    std::vector<Pt> parapet;
    for (int i = 0; i <= 24; ++i) {
        const double x = left + (right - left) * i / 24.0;
        parapet.push_back({x, deck(x) - 7});
    }
    for (int i = 24; i >= 0; --i) {
        const double x = left + (right - left) * i / 24.0;
        parapet.push_back({x, deck(x)});
    }
    polygon(c, parapet, stoneDark);
    for (int i = 0; i <= 24; i += 2) {
        const double x = left + (right - left) * i / 24.0;
        fillRect(c, x - 2, deck(x) - 9, x + 2, deck(x) - 6, stoneDark);
    }

    leafyTree(c, 70, 210, 130, {88, 136, 82}, {160, 200, 120}, {96, 76, 56});
    leafyTree(c, 565, 222, 120, {88, 136, 82}, {160, 200, 120}, {96, 76, 56});
    pine(c, 20, 250, 170, {66, 112, 82}, {150, 190, 140}, 0.3);
    for (int i = 0; i < 30; ++i) { // reeds along the near banks
        const double y = rng.range(250, 318), t = river.at(y);
        const double side = rng.unit() < 0.5 ? -1 : 1;
        const double x = river.centre(t) + side * (river.width(t) / 2 + rng.range(2, 12));
        thickLine(c, {x, y}, {x + side * 2, y - 8 - (y - 250) / 8}, 1.4, {86, 132, 66});
    }
    frame(c, {70, 56, 44}, {240, 232, 210});
    return finishIllustration(c, error);
}

BITMAP* paintPanorama(std::string& error)
{
    Canvas c(640, 330);
    if (!started(c, error))
        return nullptr;
    Rng rng(6006);

    gradient(c, 0, 0, 640, 330, {{0, {168, 202, 232}}, {0.5, {228, 236, 240}}, {1, {228, 236, 240}}});
    cloud(c, 110, 50, 26, {255, 255, 255}, 0.7);
    cloud(c, 360, 36, 34, {255, 255, 255}, 0.6);
    cloud(c, 560, 70, 22, {255, 255, 255}, 0.65);

    // Far mountains with snowy tops.
    std::vector<Pt> range = {{0, 180}};
    std::vector<std::vector<Pt>> caps;
    double x = 0;
    while (x < 640) {
        const double peakX = x + rng.range(40, 70), peakY = rng.range(80, 120), nextX = peakX + rng.range(40, 70);
        const double valleyY = rng.range(135, 160);
        range.push_back({peakX, peakY});
        range.push_back({nextX, valleyY});
        const double capDrop = 16;
        const double lx = peakX - (peakX - x) * capDrop / (range[range.size() - 3].y - peakY + 1e-9);
        const double rx = peakX + (nextX - peakX) * capDrop / (valleyY - peakY);
        caps.push_back({{peakX, peakY}, {rx, peakY + capDrop}, {peakX + 4, peakY + capDrop - 4}, {peakX - 3, peakY + capDrop - 2}, {lx, peakY + capDrop}});
        x = nextX;
    }
    range.push_back({640, 180});
    range.push_back({640, 330});
    range.push_back({0, 330});
    polygon(c, range, {150, 170, 196});
    for (const auto& cap : caps)
        polygon(c, cap, {240, 244, 250}, 0.9);
    mist(c, 130, 190, {236, 240, 244}, 0.55);

    // Rolling hills down to the valley floor, patched with fields.
    const Rgb fields[] = {{170, 196, 120}, {196, 204, 130}, {150, 186, 110}, {206, 196, 140}};
    Ridge back = makeRidge(rng, 180, 10, 220);
    fillBelow(c, back, 330, {140, 178, 128});
    Ridge middle = makeRidge(rng, 215, 12, 260);
    fillBelow(c, middle, 330, {152, 190, 112});
    for (int i = 0; i < 18; ++i) {
        const double fx = rng.range(0, 640), fy = middle(fx) + rng.range(8, 30);
        const double w = rng.range(30, 60), h = rng.range(6, 12);
        polygon(c, {{fx, fy}, {fx + w, fy - 2}, {fx + w + 8, fy + h}, {fx + 6, fy + h + 1}}, fields[i % 4], 0.7);
    }
    // The river winds along the valley floor.
    polygon(c, Band{{300, 182}, {360, 330}, 4, 70, 150, 2.2}.outline(), {130, 180, 210});
    // A village by the river.
    for (int i = 0; i < 6; ++i) {
        const double hx = 218 + i * 15 + rng.range(-3, 3), hy = 246 + rng.range(-4, 4);
        fillRect(c, hx, hy, hx + 10, hy + 7, {236, 226, 206});
        polygon(c, {{hx - 2, hy}, {hx + 5, hy - 6}, {hx + 12, hy}}, {176, 86, 66});
    }
    for (int i = 0; i < 30; ++i) {
        const double tx = rng.range(0, 640);
        leafyTree(c, tx, middle(tx) + rng.range(14, 60), rng.range(12, 20), {96, 140, 86}, {160, 200, 130}, {96, 76, 56});
    }
    Ridge front = makeRidge(rng, 300, 10, 380);
    fillBelow(c, front, 330, {112, 156, 86});
    for (double tx = 0; tx < 640; tx += rng.range(30, 60))
        pine(c, tx, front(tx) + 10, rng.range(36, 56), {72, 116, 84}, {150, 190, 140}, 0.3);
    frame(c, {70, 56, 44}, {240, 232, 210});
    return finishIllustration(c, error);
}

BITMAP* paintHouse(std::string& error)
{
    Canvas c(300, 300);
    if (!started(c, error))
        return nullptr;
    Rng rng(7007);

    const Rgb skyTop{34, 42, 90};
    gradient(c, 0, 0, 300, 300, {{0, skyTop}, {0.45, {110, 92, 140}}, {0.68, {226, 150, 120}}, {1, {226, 150, 120}}});
    stars(c, rng, 30, 8, 110, skyTop);
    Ridge hills = makeRidge(rng, 200, 8, 200);
    fillBelow(c, hills, 300, {84, 80, 116});
    fillBelow(c, [](double x) { return 226 - 10 * std::sin((x + 40) / 90); }, 300, {40, 56, 62});

    // Smoke curling from the chimney.
    beginLayer(c);
    for (int i = 0; i < 7; ++i)
        disc(c, 186 + i * 6 + 4 * std::sin(i * 1.3), 92 - i * 11, 5 + i * 1.6, {180, 176, 196});
    endLayer(c, {180, 176, 196}, 0.3, 4);
    // The house.
    fillRect(c, 178, 96, 192, 130, {88, 60, 56});
    fillRect(c, 100, 150, 210, 226, {150, 118, 96});
    fillRect(c, 100, 150, 118, 226, {120, 92, 80}, 0.5);
    polygon(c, {{88, 154}, {155, 100}, {222, 154}}, {104, 56, 52});
    polygon(c, {{88, 154}, {155, 100}, {155, 106}, {98, 154}}, {140, 80, 70}, 0.6);
    fillRect(c, 168, 182, 190, 226, {76, 50, 40});
    disc(c, 186, 206, 1.5, {220, 190, 110});
    // The lit window and its light on the grass.
    polygon(c, {{122, 226}, {146, 226}, {162, 262}, {106, 262}}, {255, 210, 120}, 0.18);
    glow(c, 134, 182, 60, {255, 190, 100}, 0.45);
    fillRect(c, 120, 168, 148, 196, {255, 222, 140});
    glow(c, 134, 182, 14, {255, 250, 220}, 0.8);
    fillRect(c, 133, 168, 135, 196, {90, 62, 48});
    fillRect(c, 120, 181, 148, 183, {90, 62, 48});
    fillRect(c, 117, 196, 151, 200, {110, 80, 64});
    // A path to the door, and trees.
    polygon(c, {{170, 226}, {188, 226}, {212, 300}, {160, 300}}, {96, 90, 86}, 0.6);
    pine(c, 50, 236, 120, {26, 40, 50}, {90, 100, 130}, 0.2);
    pine(c, 262, 232, 96, {30, 44, 54}, {90, 100, 130}, 0.2);
    pine(c, 24, 250, 70, {22, 34, 44}, {90, 100, 130}, 0.2);
    frame(c, {60, 48, 40}, {236, 226, 206});
    return finishIllustration(c, error);
}

BITMAP* paintLantern(std::string& error)
{
    Canvas c(200, 300);
    if (!started(c, error))
        return nullptr;

    gradient(c, 0, 0, 200, 300, {{0, {18, 22, 40}}, {1, {34, 30, 44}}});
    glow(c, 100, 176, 130, {255, 170, 80}, 0.4);
    glow(c, 100, 176, 60, {255, 200, 120}, 0.35);

    const Rgb metal{46, 40, 36}, metalLight{96, 84, 70};
    thickLine(c, {100, 0}, {100, 62}, 2, {70, 62, 56});     // the chain it hangs from
    arc(c, 100, 78, 16, kPi, 2 * kPi, 3, metal);            // handle
    arc(c, 100, 78, 16, 1.1 * kPi, 1.4 * kPi, 1.2, metalLight);
    polygon(c, {{80, 92}, {120, 92}, {136, 112}, {64, 112}}, metal);    // roof
    polygon(c, {{80, 92}, {100, 92}, {100, 112}, {64, 112}}, metalLight, 0.4);
    disc(c, 100, 90, 5, metal);
    fillRect(c, 62, 112, 138, 118, metalLight);

    // Glass panes lit from inside, the flame, and the frame bars over them.
    gradient(c, 70, 118, 130, 222, {{0, {255, 196, 110}}, {0.55, {255, 226, 150}}, {1, {236, 150, 70}}});
    glow(c, 100, 170, 40, {255, 250, 220}, 0.9);
    ellipse(c, 100, 174, 7, 12, {255, 170, 60});
    polygon(c, {{94, 170}, {100, 148}, {106, 170}}, {255, 170, 60});
    ellipse(c, 100, 176, 4, 8, {255, 246, 210});
    polygon(c, {{96.5, 174}, {100, 156}, {103.5, 174}}, {255, 246, 210});
    fillRect(c, 98.5, 182, 101.5, 192, {60, 44, 36});  // wick holder
    for (double bx : {68.0, 99.0, 128.0})
        fillRect(c, bx, 118, bx + 4, 222, metal);
    fillRect(c, 68, 118, 132, 121, metal);
    fillRect(c, 62, 222, 138, 232, metal);
    fillRect(c, 62, 222, 138, 225, metalLight);
    polygon(c, {{70, 232}, {130, 232}, {118, 244}, {82, 244}}, metal);
    frame(c, {60, 48, 40}, {200, 180, 150});
    return finishIllustration(c, error);
}

BITMAP* paintOwl(std::string& error)
{
    Canvas c(320, 240);
    if (!started(c, error))
        return nullptr;
    Rng rng(8008);

    const Rgb skyTop{22, 30, 70};
    gradient(c, 0, 0, 320, 240, {{0, skyTop}, {1, {56, 70, 120}}});
    stars(c, rng, 40, 6, 230, skyTop);
    moon(c, 200, 86, 52);

    // The branch, with a twig and a few leaves.
    polygon(c, {{0, 178}, {320, 164}, {320, 180}, {0, 196}}, {64, 46, 38});
    polygon(c, {{0, 178}, {320, 164}, {320, 168}, {0, 183}}, {100, 76, 60}, 0.7);
    thickLine(c, {250, 170}, {292, 140}, 4, {64, 46, 38});
    for (const Pt& leaf : std::vector<Pt>{{292, 138}, {278, 146}, {40, 172}, {22, 180}, {300, 150}})
        ellipse(c, leaf.x, leaf.y, 9, 4, {46, 78, 56});

    // The owl: body, wings, face and eyes.
    const double ox = 160, oy = 128;
    ellipse(c, ox, oy, 38, 48, {128, 94, 64});
    ellipse(c, ox - 32, oy + 6, 14, 36, {96, 68, 48});
    ellipse(c, ox + 32, oy + 6, 14, 36, {96, 68, 48});
    ellipse(c, ox, oy + 14, 25, 30, {206, 180, 138});
    for (int row = 0; row < 3; ++row)
        for (int col = -1; col <= 1; ++col) {
            const double fx = ox + col * 12 + (row % 2) * 6 - 3, fy = oy + 4 + row * 11;
            thickLine(c, {fx - 4, fy}, {fx, fy + 3}, 1.6, {150, 116, 80});
            thickLine(c, {fx, fy + 3}, {fx + 4, fy}, 1.6, {150, 116, 80});
        }
    polygon(c, {{ox - 30, oy - 70}, {ox - 18, oy - 44}, {ox - 34, oy - 48}}, {110, 80, 54});
    polygon(c, {{ox + 30, oy - 70}, {ox + 18, oy - 44}, {ox + 34, oy - 48}}, {110, 80, 54});
    ellipse(c, ox, oy - 42, 36, 28, {140, 104, 70});
    disc(c, ox - 15, oy - 42, 15, {214, 190, 150});
    disc(c, ox + 15, oy - 42, 15, {214, 190, 150});
    for (double side : {-1.0, 1.0}) {
        const double ex = ox + side * 15, ey = oy - 42;
        disc(c, ex, ey, 10, {250, 206, 90});
        disc(c, ex, ey, 5.5, {20, 16, 14});
        disc(c, ex - 2, ey - 2, 1.8, {255, 255, 255});
    }
    polygon(c, {{ox - 5, oy - 34}, {ox + 5, oy - 34}, {ox, oy - 22}}, {226, 176, 70});
    for (double tx : {ox - 14, ox + 8})
        for (int t = 0; t < 3; ++t)
            thickLine(c, {tx + t * 3, oy + 44}, {tx + t * 3 + 1, oy + 52}, 2, {216, 170, 70});
    frame(c, {50, 44, 40}, {210, 200, 180});
    return finishIllustration(c, error);
}

BITMAP* paintCave(std::string& error)
{
    Canvas c(500, 320);
    if (!started(c, error))
        return nullptr;
    Rng rng(9009);

    gradient(c, 0, 0, 500, 320, {{0, {184, 210, 228}}, {0.4, {224, 232, 230}}, {1, {224, 232, 230}}});
    cloud(c, 420, 30, 18, {255, 255, 255}, 0.6);

    // The cliff, in layers of rock that darken towards the ground.
    auto cliffTop = [](double x) { return 46 + 14 * std::sin(x / 60 + 1) + 6 * std::sin(x / 23); };
    fillBelow(c, cliffTop, 320, {144, 132, 118});
    const Rgb strata[] = {{136, 124, 112}, {128, 117, 106}, {122, 111, 101}, {116, 105, 96}};
    for (int i = 0; i < 4; ++i) {
        const double base = 84 + i * 44, phase = rng.range(0, 6);
        fillBelow(c, [&](double x) { return base + 8 * std::sin(x / 47 + phase) + 3 * std::sin(x / 13 + phase); }, 320,
                  strata[i]);
    }
    for (int i = 0; i < 9; ++i) { // cracks
        double x = rng.range(20, 480), y = rng.range(70, 220);
        for (int j = 0; j < 4; ++j) {
            const double nx = x + rng.range(-8, 8), ny = y + rng.range(8, 16);
            thickLine(c, {x, y}, {nx, ny}, 1.2, {96, 86, 80});
            x = nx;
            y = ny;
        }
    }
    // Moss along the top edge of the cliff.
    std::vector<Pt> moss;
    for (double x = 0; x <= 500; x += 4)
        moss.push_back({x, cliffTop(x) - 3});
    for (double x = 500; x >= 0; x -= 4)
        moss.push_back({x, cliffTop(x) + 7 + 4 * std::sin(x / 6) * std::sin(x / 31)});
    polygon(c, moss, {104, 146, 84});
    for (double x = 0; x < 500; x += 5)
        thickLine(c, {x, cliffTop(x) - 1}, {x + 1.5, cliffTop(x) - 6 - 3 * std::fabs(std::sin(x))}, 1.4, {96, 140, 76});

    // The cave mouth, darkening towards its depths.
    std::vector<Pt> mouth;
    for (int i = 0; i <= 30; ++i) {
        const double a = kPi * i / 30.0;
        const double wobble = 1 + 0.06 * std::sin(i * 1.7);
        mouth.push_back({250 + 110 * std::cos(a) * wobble, 270 - 170 * std::sin(a) * wobble});
    }
    polygon(c, mouth, {70, 62, 58});
    std::vector<Pt> inner, deep;
    for (const Pt& p : mouth) {
        inner.push_back({250 + (p.x - 250) * 0.84, 270 + (p.y - 270) * 0.88});
        deep.push_back({250 + (p.x - 250) * 0.58, 270 + (p.y - 270) * 0.68});
    }
    polygon(c, inner, {38, 34, 34});
    polygon(c, deep, {14, 12, 14});
    glow(c, 262, 240, 26, {255, 190, 110}, 0.25); // a faint light far inside

    // Boulders at the foot of the cliff, the ground and a trodden path.
    for (const Pt& b : std::vector<Pt>{{70, 262}, {112, 270}, {400, 264}, {446, 272}}) {
        ellipse(c, b.x, b.y, 30, 22, {112, 102, 94});
        ellipse(c, b.x - 6, b.y - 8, 18, 10, {128, 118, 108});
    }
    fillBelow(c, [](double x) { return 270 + 4 * std::sin(x / 40); }, 320, {120, 160, 92});
    polygon(c, {{218, 270}, {282, 270}, {326, 320}, {176, 320}}, {176, 160, 130});
    for (const Pt& s : std::vector<Pt>{{150, 290}, {380, 296}, {60, 304}, {352, 310}, {460, 300}}) {
        ellipse(c, s.x, s.y, 12, 6, {150, 142, 132});
        ellipse(c, s.x - 2, s.y - 2, 7, 3, {180, 172, 162});
    }
    for (int i = 0; i < 7; ++i) { // ivy hanging over the mouth
        const double vx = 165 + i * 28 + rng.range(-6, 6);
        const double top = 104 + std::pow(std::fabs(vx - 250) / 110, 2) * 90;
        const double len = rng.range(20, 56);
        thickLine(c, {vx, top - 6}, {vx + 3, top + len}, 1.6, {80, 120, 70});
        for (double ly = 0; ly < len; ly += 8)
            ellipse(c, vx + 2 + (static_cast<int>(ly / 8) % 2 ? 3 : -3), top + ly, 4, 2.5, {96, 142, 80});
    }
    frame(c, {70, 56, 44}, {240, 232, 210});
    return finishIllustration(c, error);
}

BITMAP* paintSunrise(std::string& error)
{
    Canvas c(560, 320);
    if (!started(c, error))
        return nullptr;
    Rng rng(10010);

    gradient(c, 0, 0, 560, 320, {{0, {62, 74, 138}}, {0.35, {170, 120, 156}}, {0.6, {250, 176, 126}}, {0.72, {255, 214, 150}}, {1, {255, 214, 150}}});
    beginLayer(c); // soft rays fanning up from the sun
    for (int i = 0; i < 9; ++i) {
        const double a = kPi * (1.08 + i * 0.105);
        const double a2 = a + 0.045;
        polygon(c, {{280, 212}, {280 + 600 * std::cos(a), 212 + 600 * std::sin(a)}, {280 + 600 * std::cos(a2), 212 + 600 * std::sin(a2)}}, {255, 236, 190});
    }
    endLayer(c, {255, 236, 190}, 0.1, 6);
    glow(c, 280, 212, 240, {255, 226, 160}, 0.55);
    disc(c, 280, 212, 36, {255, 244, 206});
    cloud(c, 140, 90, 26, {255, 200, 170}, 0.45);
    cloud(c, 420, 70, 30, {255, 196, 176}, 0.4);
    wisp(c, 300, 160, 240, {255, 220, 190}, 0.45);
    wisp(c, 180, 176, 150, {255, 220, 190}, 0.35);

    // Layers of hills, hazier the further they are.
    const Rgb layers[] = {{196, 128, 140}, {140, 92, 126}, {90, 64, 108}, {50, 40, 78}};
    for (int i = 0; i < 4; ++i) {
        Ridge ridge = makeRidge(rng, 212 + i * 26, 14 - i * 2, 180 + i * 60, 0.35);
        fillBelow(c, ridge, 320, layers[i]);
        if (i < 3)
            mist(c, 214 + i * 26, 244 + i * 26, {255, 200, 170}, 0.28);
    }
    for (int i = 0; i < 4; ++i) { // a few birds
        const double bx = 340 + i * 26 + rng.range(-6, 6), by = 110 + rng.range(-14, 14);
        thickLine(c, {bx - 6, by - 3}, {bx, by}, 1.5, {70, 50, 80});
        thickLine(c, {bx, by}, {bx + 6, by - 3}, 1.5, {70, 50, 80});
    }
    frame(c, {60, 48, 40}, {240, 226, 206});
    return finishIllustration(c, error);
}
