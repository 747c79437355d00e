// Painting on the enlarged bitmap: the library's primitives in its
// translucent mode for flat shapes, and direct pixel blending for the soft
// ones (gradients, glows, masks).
#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace {

int toByte(double v)
{
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

// The colour value to draw with: full coverage while collecting a layer.
int ink(const Canvas& c, Rgb colour)
{
    return c.layering() ? 255 : makecol24(colour.r, colour.g, colour.b);
}

// Pixels of a 24-bit memory bitmap, three bytes each, lowest byte first.
int readPixel(BITMAP* bmp, int x, int y)
{
    const unsigned char* p = bmp->line[y] + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

void writePixel(BITMAP* bmp, int x, int y, int colour)
{
    unsigned char* p = bmp->line[y] + 3 * x;
    p[0] = colour & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = (colour >> 16) & 0xFF;
}

void blendPixel(BITMAP* bmp, int x, int y, Rgb colour, double alpha)
{
    if (x < 0 || y < 0 || x >= bmp->w || y >= bmp->h || alpha <= 0)
        return;
    alpha = std::min(alpha, 1.0);
    const int old = readPixel(bmp, x, y);
    writePixel(bmp, x, y,
               makecol24(toByte(getr24(old) + (colour.r - getr24(old)) * alpha),
                         toByte(getg24(old) + (colour.g - getg24(old)) * alpha),
                         toByte(getb24(old) + (colour.b - getb24(old)) * alpha)));
}

// Sets the library's drawing mode for one shape: solid when opaque,
// translucent otherwise. Back to solid when it goes out of scope.
class ShapeMode {
public:
    ShapeMode(const Canvas& c, double alpha)
    {
        if (alpha < 1 && !c.layering()) {
            set_trans_blender(0, 0, 0, toByte(alpha * 255));
            drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
        }
    }
    ~ShapeMode() { solid_mode(); }
    ShapeMode(const ShapeMode&) = delete;
    ShapeMode& operator=(const ShapeMode&) = delete;
};

int big(const Canvas& c, double v)
{
    return static_cast<int>(std::lround(v * c.scale()));
}

Rgb colourAt(const std::vector<Stop>& stops, double t)
{
    if (t <= stops.front().at)
        return stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].at) {
            const double span = stops[i].at - stops[i - 1].at;
            return mix(stops[i - 1].colour, stops[i].colour, span > 0 ? (t - stops[i - 1].at) / span : 1);
        }
    return stops.back().colour;
}

} // namespace

Rgb mix(Rgb a, Rgb b, double t)
{
    return {toByte(a.r + (b.r - a.r) * t), toByte(a.g + (b.g - a.g) * t), toByte(a.b + (b.b - a.b) * t)};
}

Canvas::Canvas(int w, int h, int scale)
    : w_(w), h_(h), scale_(scale), big_(w > 0 && h > 0 && scale > 0 ? create_bitmap_ex(24, w * scale, h * scale) : nullptr)
{
    if (big_)
        clear_to_color(big_, makecol24(0, 0, 0));
}

Canvas::~Canvas()
{
    if (layer_)
        destroy_bitmap(layer_);
    if (big_)
        destroy_bitmap(big_);
}

bool Canvas::openLayer()
{
    if (!layer_ && big_)
        layer_ = create_bitmap_ex(8, big_->w, big_->h);
    if (!layer_)
        return false;
    clear_to_color(layer_, 0);
    layering_ = true;
    return true;
}

bool beginLayer(Canvas& c)
{
    return c.openLayer();
}

void endLayer(Canvas& c, Rgb colour, double alpha, double blur)
{
    if (!c.layering())
        return;
    c.closeLayer();
    BITMAP* layer = c.layer();
    // Only the covered part of the layer, with room around it for the blur.
    int left = layer->w, right = -1, top = layer->h, bottom = -1;
    for (int y = 0; y < layer->h; ++y)
        for (int x = 0; x < layer->w; ++x)
            if (layer->line[y][x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return;
    const int radius = static_cast<int>(std::lround(blur * c.scale() / 2));
    Mask m;
    m.x0 = std::max(0, left - 3 * radius);
    m.y0 = std::max(0, top - 3 * radius);
    m.w = std::min(layer->w, right + 1 + 3 * radius) - m.x0;
    m.h = std::min(layer->h, bottom + 1 + 3 * radius) - m.y0;
    m.a.resize(static_cast<size_t>(m.w) * m.h);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            m.a[static_cast<size_t>(y) * m.w + x] = layer->line[m.y0 + y][m.x0 + x] ? 1.0f : 0.0f;
    blurMask(m, radius);
    paintMask(c, m, colour, colour, 0, 1, alpha);
}

BITMAP* shrinkCanvas(const Canvas& c, int maxWidth)
{
    if (!c.ok())
        return nullptr;
    const int w = maxWidth > 0 && c.w() > maxWidth ? maxWidth : c.w();
    const int h = w == c.w() ? c.h() : std::max(1, (c.h() * w + c.w() / 2) / c.w());
    BITMAP* out = create_bitmap_ex(24, w, h);
    if (!out)
        return nullptr;
    const int bigW = c.w() * c.scale(), bigH = c.h() * c.scale();
    for (int y = 0; y < h; ++y) {
        const int top = y * bigH / h, bottom = std::max(top + 1, (y + 1) * bigH / h);
        for (int x = 0; x < w; ++x) {
            const int left = x * bigW / w, right = std::max(left + 1, (x + 1) * bigW / w);
            long r = 0, g = 0, b = 0;
            for (int j = top; j < bottom; ++j)
                for (int i = left; i < right; ++i) {
                    const int p = readPixel(c.big(), i, j);
                    r += getr24(p);
                    g += getg24(p);
                    b += getb24(p);
                }
            const double cells = static_cast<double>(right - left) * (bottom - top);
            writePixel(out, x, y, makecol24(toByte(r / cells), toByte(g / cells), toByte(b / cells)));
        }
    }
    return out;
}

void fillRect(Canvas& c, double x0, double y0, double x1, double y1, Rgb colour, double alpha)
{
    ShapeMode mode(c, alpha);
    rectfill(c.surface(), big(c, x0), big(c, y0), big(c, x1) - 1, big(c, y1) - 1, ink(c, colour));
}

void gradient(Canvas& c, double x0, double y0, double x1, double y1, const std::vector<Stop>& stops,
              double alpha)
{
    if (stops.empty())
        return;
    const int top = big(c, y0), bottom = big(c, y1);
    for (int y = top; y < bottom; ++y) {
        const Rgb colour = colourAt(stops, (y + 0.5 - top) / std::max(1, bottom - top));
        ShapeMode mode(c, alpha);
        hline(c.surface(), big(c, x0), y, big(c, x1) - 1, ink(c, colour));
    }
}

void disc(Canvas& c, double cx, double cy, double r, Rgb colour, double alpha)
{
    ShapeMode mode(c, alpha);
    circlefill(c.surface(), big(c, cx), big(c, cy), std::max(0, big(c, r)), ink(c, colour));
}

void ellipse(Canvas& c, double cx, double cy, double rx, double ry, Rgb colour, double alpha)
{
    ShapeMode mode(c, alpha);
    ellipsefill(c.surface(), big(c, cx), big(c, cy), std::max(0, big(c, rx)), std::max(0, big(c, ry)), ink(c, colour));
}

void polygon(Canvas& c, const std::vector<Pt>& points, Rgb colour, double alpha)
{
    if (points.size() < 3)
        return;
    std::vector<int> coords;
    for (const Pt& p : points) {
        coords.push_back(big(c, p.x));
        coords.push_back(big(c, p.y));
    }
    ShapeMode mode(c, alpha);
    ::polygon(c.surface(), static_cast<int>(points.size()), coords.data(), ink(c, colour));
}

void thickLine(Canvas& c, Pt a, Pt b, double width, Rgb colour, double alpha)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length <= 0)
        return;
    const double nx = -dy / length * width / 2, ny = dx / length * width / 2;
    polygon(c, {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}}, colour,
            alpha);
}

void glow(Canvas& c, double cx, double cy, double r, Rgb colour, double alpha)
{
    const double k = c.scale();
    const int x0 = std::max(0, static_cast<int>((cx - r) * k)), x1 = std::min(c.big()->w, static_cast<int>((cx + r) * k) + 1);
    const int y0 = std::max(0, static_cast<int>((cy - r) * k)), y1 = std::min(c.big()->h, static_cast<int>((cy + r) * k) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double d = std::hypot((x + 0.5) / k - cx, (y + 0.5) / k - cy) / r;
            if (d < 1)
                blendPixel(c.big(), x, y, colour, alpha * (1 - d) * (1 - d));
        }
}

void fillColumn(Canvas& c, int bigX, double top, double bottom, Rgb colour, double alpha)
{
    const int y0 = std::max(0, big(c, top)), y1 = std::min(c.surface()->h, big(c, bottom));
    if (y1 <= y0)
        return;
    ShapeMode mode(c, alpha);
    vline(c.surface(), bigX, y0, y1 - 1, ink(c, colour));
}

void mist(Canvas& c, double y0, double y1, Rgb colour, double alpha)
{
    const int top = big(c, y0), bottom = big(c, y1);
    for (int y = std::max(0, top); y < std::min(c.big()->h, bottom); ++y) {
        const double t = (y + 0.5 - top) / std::max(1, bottom - top);
        const double a = alpha * std::sin(3.14159265358979 * t);
        for (int x = 0; x < c.big()->w; ++x)
            blendPixel(c.big(), x, y, colour, a);
    }
}

void frame(Canvas& c, Rgb outer, Rgb inner)
{
    const double w = c.w(), h = c.h();
    fillRect(c, 0, 0, w, 3, outer);
    fillRect(c, 0, h - 3, w, h, outer);
    fillRect(c, 0, 0, 3, h, outer);
    fillRect(c, w - 3, 0, w, h, outer);
    fillRect(c, 3, 3, w - 3, 4, inner, 0.8);
    fillRect(c, 3, h - 4, w - 3, h - 3, inner, 0.8);
    fillRect(c, 3, 4, 4, h - 4, inner, 0.8);
    fillRect(c, w - 4, 4, w - 3, h - 4, inner, 0.8);
}

void blurMask(Mask& m, int radius)
{
    if (radius <= 0 || m.w == 0 || m.h == 0)
        return;
    std::vector<float> tmp(m.a.size());
    const float norm = 1.0f / (2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < m.h; ++y) {           // rows into tmp
            const float* row = &m.a[static_cast<size_t>(y) * m.w];
            float sum = 0;
            for (int x = -radius; x <= radius; ++x)
                sum += row[std::clamp(x, 0, m.w - 1)];
            for (int x = 0; x < m.w; ++x) {
                tmp[static_cast<size_t>(y) * m.w + x] = sum * norm;
                sum += row[std::min(x + radius + 1, m.w - 1)] - row[std::max(x - radius, 0)];
            }
        }
        for (int x = 0; x < m.w; ++x) {           // columns back into the mask
            float sum = 0;
            for (int y = -radius; y <= radius; ++y)
                sum += tmp[static_cast<size_t>(std::clamp(y, 0, m.h - 1)) * m.w + x];
            for (int y = 0; y < m.h; ++y) {
                m.a[static_cast<size_t>(y) * m.w + x] = sum * norm;
                sum += tmp[static_cast<size_t>(std::min(y + radius + 1, m.h - 1)) * m.w + x] -
                       tmp[static_cast<size_t>(std::max(y - radius, 0)) * m.w + x];
            }
        }
    }
}

void paintMask(Canvas& c, const Mask& m, Rgb top, Rgb bottom, double y0, double y1, double alpha, double dx,
               double dy)
{
    const int ox = big(c, dx) + m.x0, oy = big(c, dy) + m.y0;
    for (int y = 0; y < m.h; ++y) {
        const double t = std::clamp((static_cast<double>(y + oy) / c.scale() - y0) / std::max(1e-9, y1 - y0), 0.0, 1.0);
        const Rgb colour = mix(top, bottom, t);
        for (int x = 0; x < m.w; ++x) {
            const float a = m.a[static_cast<size_t>(y) * m.w + x];
            if (a > 0.002f)
                blendPixel(c.big(), x + ox, y + oy, colour, alpha * a);
        }
    }
}
