// A painting surface for the demo's pictures. Scenes are painted in the
// picture's own pixel units onto a bitmap `scale` times larger, then shrunk
// with an averaging filter, which smooths every edge the plain library
// primitives leave jagged.
#ifndef QUORVEL_CANVAS_H
#define QUORVEL_CANVAS_H

#include <allegro.h>

#include <vector>

struct Rgb {
    int r, g, b;
};

// a + (b - a) * t, per channel.
Rgb mix(Rgb a, Rgb b, double t);

struct Pt {
    double x, y;
};

// Owns the enlarged bitmap; `ok()` is false when it could not be made.
class Canvas {
public:
    Canvas(int w, int h, int scale = 3);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ok() const { return big_ != nullptr; }
    int w() const { return w_; }
    int h() const { return h_; }
    int scale() const { return scale_; }
    BITMAP* big() const { return big_; }

    // While a layer is open, shapes are collected in an 8-bit coverage
    // bitmap (any non-zero pixel is covered) instead of being painted.
    bool layering() const { return layering_; }
    BITMAP* layer() const { return layer_; }
    bool openLayer();
    void closeLayer() { layering_ = false; }

    // Where the shape functions draw: the layer while one is open.
    BITMAP* surface() const { return layering_ ? layer_ : big_; }

private:
    int w_, h_, scale_;
    BITMAP* big_;
    BITMAP* layer_ = nullptr;
    bool layering_ = false;
};

// The finished 24-bit picture (the caller destroys it), or null: w x h, or
// when w is more than `maxWidth` (0 for no limit), the whole canvas made
// `maxWidth` wide with its proportions kept. Each pixel is the mean of the
// canvas pixels it covers.
BITMAP* shrinkCanvas(const Canvas& c, int maxWidth = 0);

// A colour stop of a gradient: `at` runs from 0 (top) to 1 (bottom).
struct Stop {
    double at;
    Rgb colour;
};

// Shapes. `alpha` 0..1 lets what is below show through.
void fillRect(Canvas& c, double x0, double y0, double x1, double y1, Rgb colour, double alpha = 1);
void gradient(Canvas& c, double x0, double y0, double x1, double y1, const std::vector<Stop>& stops,
              double alpha = 1);
void disc(Canvas& c, double cx, double cy, double r, Rgb colour, double alpha = 1);
void ellipse(Canvas& c, double cx, double cy, double rx, double ry, Rgb colour, double alpha = 1);
void polygon(Canvas& c, const std::vector<Pt>& points, Rgb colour, double alpha = 1);
void thickLine(Canvas& c, Pt a, Pt b, double width, Rgb colour, double alpha = 1);

// A soft round light: strongest (`alpha`) in the middle, fading to nothing at `r`.
void glow(Canvas& c, double cx, double cy, double r, Rgb colour, double alpha);

// Fills everything below the curve y = top(x) down to `bottom`.
template <typename Curve>
void fillBelow(Canvas& c, Curve top, double bottom, Rgb colour, double alpha = 1);

// A horizontal haze between y0 and y1, thickest at its middle.
void mist(Canvas& c, double y0, double y1, Rgb colour, double alpha);

// Layers paint a group of overlapping shapes as one: between beginLayer and
// endLayer the shape functions only mark what they cover, and endLayer paints
// that union once in `colour` at `alpha`, softened by a blur of `blur`
// picture pixels. Overlaps inside a translucent cloud or puff of smoke so
// show no seams. Glows always paint directly. beginLayer is false when
// memory runs out (shapes are then painted directly).
bool beginLayer(Canvas& c);
void endLayer(Canvas& c, Rgb colour, double alpha, double blur = 0);

// A plain storybook frame: a dark outer line and a pale inner one.
void frame(Canvas& c, Rgb outer, Rgb inner);

// A coverage mask over the enlarged bitmap, 0..1 per pixel: w x h pixels
// whose top left corner lies at (x0, y0) of the enlarged bitmap.
struct Mask {
    int x0 = 0, y0 = 0, w = 0, h = 0;
    std::vector<float> a;
};

// Box-blurs the mask three times over (close to a Gaussian) by `radius`
// enlarged pixels.
void blurMask(Mask& m, int radius);

// Paints `colour` through the mask moved by (dx, dy) picture pixels, with a
// vertical blend from `top` at y0 to `bottom` at y1.
void paintMask(Canvas& c, const Mask& m, Rgb top, Rgb bottom, double y0, double y1, double alpha,
               double dx = 0, double dy = 0);

// Template body.
void fillColumn(Canvas& c, int bigX, double top, double bottom, Rgb colour, double alpha);

template <typename Curve>
void fillBelow(Canvas& c, Curve top, double bottom, Rgb colour, double alpha)
{
    for (int x = 0; x < c.w() * c.scale(); ++x)
        fillColumn(c, x, top((x + 0.5) / c.scale()), bottom, colour, alpha);
}

#endif
