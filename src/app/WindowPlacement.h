// Where the companion windows (the combination form, the rule window, the verification window) open.
// A bettor needs the toolbar and the race list of the main window next, so a companion never opens
// over them, and it opens on the screen the main window is on, small enough to fit it.
#pragma once

#include "app/SettingsKeys.h"

#include <optional>

namespace solvane {

class SettingsFile;

struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }  // one past the last column
    int bottom() const { return top + height; } // one past the last row
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// saved: where the user last left the window; it stays there, moved and shrunk only as far as needed
// to lie on the screen. Without it: the window's top-left corner at the card's (over the card, right
// of the race list and below the toolbar), at the wanted size shrunk to the screen's room right of and
// below that corner, but never below the window's minimum size: a window that cannot shrink so far
// moves left (or up) until it ends at the screen's edge.
WindowRect PlaceCompanion(const WindowRect& screen, const WindowRect& card, int wantedWidth, int wantedHeight,
                          const std::optional<WindowRect>& saved, int minWidth = 1, int minHeight = 1);

// The four keys a window's geometry is kept under.
struct GeometryKeys {
    IntKey top, left, width, height;
};
// The stored geometry, or nothing while any of its keys is missing from the file (the window has not
// been placed by the user yet; the keys' defaults do not count).
inline constexpr GeometryKeys kMainGeometry{keys::LocateTop, keys::LocateLeft, keys::LocateWidth, keys::LocateHeight};
inline constexpr GeometryKeys kKaimeGeometry{keys::KaimelocateTop, keys::KaimelocateLeft, keys::KaimelocateWidth,
                                             keys::KaimelocateHeight};
inline constexpr GeometryKeys kKaimeSettingGeometry{keys::KaimeSettinglocateTop, keys::KaimeSettinglocateLeft,
                                                    keys::KaimeSettinglocateWidth, keys::KaimeSettinglocateHeight};
inline constexpr GeometryKeys kKenshoGeometry{keys::KensholocateTop, keys::KensholocateLeft, keys::KensholocateWidth,
                                              keys::KensholocateHeight};
std::optional<WindowRect> StoredGeometry(SettingsFile& settings, const GeometryKeys& keys);
bool StoreGeometry(SettingsFile& settings, const GeometryKeys& keys, const WindowRect& rect);

} // namespace solvane
