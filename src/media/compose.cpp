#include "media/compose.h"

bool hasAlpha(BITMAP* picture)
{
    if (!picture || bitmap_color_depth(picture) != 32)
        return false;
    for (int y = 0; y < picture->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(picture->line[y]);
        for (int x = 0; x < picture->w; ++x)
            if (geta32(row[x]) != 0)
                return true;
    }
    return false;
}

BITMAP* composeOver(BITMAP* under, int x, int y, int w, int h, BITMAP* picture)
{
    // Blended at 32 bits, then converted to the current depth by a blit: the
    // library's alpha blender into 15-bit bitmaps assumes an order of the
    // colour channels that the X11 driver does not always give 32-bit ones.
    BITMAP* blended = create_bitmap_ex(32, w, h);
    BITMAP* composed = create_bitmap(w, h);
    if (!blended || !composed) {
        if (blended)
            destroy_bitmap(blended);
        if (composed)
            destroy_bitmap(composed);
        return nullptr;
    }
    clear_to_color(blended, makecol32(0, 0, 0));
    if (under)
        blit(under, blended, x, y, 0, 0, w, h);
    set_alpha_blender();
    draw_trans_sprite(blended, picture, 0, 0);
    blit(blended, composed, 0, 0, 0, 0, w, h);
    destroy_bitmap(blended);
    return composed;
}
