// Where the page screen's elements stand: see pagelayout.h. The drawn
// choices, title line and illustration are placed here and nowhere else.
#include "screen/pagelayout.h"

#include "screen/display.h"

#include <algorithm>

Box intersection(const Box& a, const Box& b)
{
    Box shared;
    shared.x = std::max(a.x, b.x);
    shared.y = std::max(a.y, b.y);
    shared.w = std::min(a.right(), b.right()) - shared.x;
    shared.h = std::min(a.bottom(), b.bottom()) - shared.y;
    if (shared.empty() || a.empty() || b.empty())
        return Box{};
    return shared;
}

Box choiceBox(int choice, int labelWidth)
{
    Box box{0, CHOICE_Y, labelWidth + CHOICE_PADDING, CHOICE_H};
    if (choice == 1)
        box.x = LOGICAL_W - CHOICE_MARGIN - box.w;
    else if (choice == 2)
        box.x = LOGICAL_W / 2 - labelWidth / 2;
    else
        box.x = CHOICE_MARGIN;
    return box;
}

int illustrationX(int width, int previousX)
{
    return width < ILLUSTRATION_AREA_W ? LOGICAL_W / 2 - width / 2 : previousX;
}

Box illustrationBox(int width, int height, int previousX)
{
    return Box{illustrationX(width, previousX), ILLUSTRATION_AREA_Y,
               std::min(width, ILLUSTRATION_AREA_W), std::min(height, ILLUSTRATION_AREA_H)};
}

int textBoxLines(int lineHeight)
{
    // The library's text box keeps 4 pixels of frame and margin above and
    // below the text.
    return std::max(1, (TEXT_BOX.h - 8) / std::max(1, lineHeight));
}

Box titleBox(int width, int height)
{
    return Box{TITLE_X, TITLE_Y, width, height};
}

std::vector<Collision> pageCollisions(const PageShape& shape)
{
    std::vector<Collision> found;
    Box choices[3];
    bool shown[3];
    for (int i = 0; i < 3; ++i) {
        shown[i] = shape.labelWidth[i] >= 0;
        if (shown[i])
            choices[i] = choiceBox(i + 1, shape.labelWidth[i]);
    }
    // The later choice in reading order (3, 2, 1 from the left) is named first.
    const int pairs[3][2] = {{3, 2}, {2, 1}, {3, 1}};
    for (const auto& pair : pairs) {
        const int a = pair[0] - 1, b = pair[1] - 1;
        if (!shown[a] || !shown[b])
            continue;
        const Box shared = intersection(choices[a], choices[b]);
        if (!shared.empty())
            found.push_back({CollisionKind::ChoicesOverlap, pair[0], pair[1], shared.w});
    }
    for (int i = 0; i < 3; ++i) {
        if (!shown[i])
            continue;
        const int past = std::max(-choices[i].x, choices[i].right() - LOGICAL_W);
        if (past > 0)
            found.push_back({CollisionKind::ChoicePastEdge, i + 1, 0, past});
    }
    if (shape.pictureWidth > 0 && shape.pictureHeight > 0) {
        const Box picture = illustrationBox(shape.pictureWidth, shape.pictureHeight, shape.pictureX);
        const Box overTitle = intersection(picture, titleBox(shape.titleWidth, shape.titleHeight));
        if (!overTitle.empty())
            found.push_back({CollisionKind::PictureOverTitle, 0, 0, overTitle.w});
        const Box overMenu = intersection(picture, MENU_BOX);
        if (!overMenu.empty())
            found.push_back({CollisionKind::PictureOverMenu, 0, 0, overMenu.w});
    }
    return found;
}
