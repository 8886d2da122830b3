#include "app/WindowPlacement.h"

#include "app/SettingsFile.h"
#include "util/Text.h"

#include <algorithm>

namespace solvane {

WindowRect PlaceCompanion(const WindowRect& screen, const WindowRect& card, int wantedWidth, int wantedHeight,
                          const std::optional<WindowRect>& saved, int minWidth, int minHeight)
{
    WindowRect r;
    if (saved) {
        r.width = std::clamp(saved->width, 1, std::max(1, screen.width));
        r.height = std::clamp(saved->height, 1, std::max(1, screen.height));
        r.left = std::clamp(saved->left, screen.left, screen.right() - r.width);
        r.top = std::clamp(saved->top, screen.top, screen.bottom() - r.height);
        return r;
    }
    // The card's corner, kept on the screen even when the main window hangs off it.
    r.left = std::clamp(card.left, screen.left, std::max(screen.left, screen.right() - 1));
    r.top = std::clamp(card.top, screen.top, std::max(screen.top, screen.bottom() - 1));
    r.width = std::clamp(wantedWidth, 1, std::max(1, screen.right() - r.left));
    r.height = std::clamp(wantedHeight, 1, std::max(1, screen.bottom() - r.top));
    // Too little room for the window's smallest size: it moves back until it ends at the edge.
    if (r.width < minWidth) {
        r.width = std::min(minWidth, screen.width);
        r.left = screen.right() - r.width;
    }
    if (r.height < minHeight) {
        r.height = std::min(minHeight, screen.height);
        r.top = screen.bottom() - r.height;
    }
    return r;
}

std::optional<WindowRect> StoredGeometry(SettingsFile& settings, const GeometryKeys& keys)
{
    int values[4] = {};
    const IntKey* order[4] = {&keys.left, &keys.top, &keys.width, &keys.height};
    for (int i = 0; i < 4; ++i) {
        const auto raw = settings.rawValue(order[i]->section, order[i]->key);
        if (!raw)
            return std::nullopt;
        values[i] = settings.get(*order[i]);
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return WindowRect{values[0], values[1], values[2], values[3]};
}

bool StoreGeometry(SettingsFile& settings, const GeometryKeys& keys, const WindowRect& rect)
{
    return settings.setAll(
        {{keys.top, rect.top}, {keys.left, rect.left}, {keys.width, rect.width}, {keys.height, rect.height}});
}

} // namespace solvane
