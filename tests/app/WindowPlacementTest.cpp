// Where the companion windows open on a 1366x768 screen beside a main window whose card starts right
// of the race list and below the toolbar.
#include "app/WindowPlacement.h"

#include "app/SettingsFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace solvane {
namespace {

const WindowRect kScreen{0, 0, 1366, 728}; // less the task bar
const WindowRect kCard{130, 120, 1200, 560};

TEST(WindowPlacement, CompanionsOpenOverTheCardAndFitTheScreen)
{
    struct Case {
        const char* what;
        WindowRect card;
        int width, height;
        std::optional<WindowRect> saved;
        WindowRect expected;
        int minWidth = 1, minHeight = 1;
    };
    const Case cases[] = {
        {"first time: at the card's corner at the size wanted", kCard, 800, 450, std::nullopt, {130, 120, 800, 450}},
        {"first time, too wide: shrunk to the room right of the race list",
         kCard,
         1433,
         700,
         std::nullopt,
         {130, 120, 1236, 608}},
        {"main window partly off the screen: the corner kept on it",
         {-300, -50, 900, 500},
         800,
         450,
         std::nullopt,
         {0, 0, 800, 450}},
        {"where the user left it", kCard, 800, 450, WindowRect{40, 30, 900, 500}, {40, 30, 900, 500}},
        {"left hanging off the screen: moved back, size kept",
         kCard,
         800,
         450,
         WindowRect{1000, 600, 900, 500},
         {466, 228, 900, 500}},
        {"left larger than the screen: shrunk to it", kCard, 800, 450, WindowRect{0, 0, 2000, 1200}, {0, 0, 1366, 728}},
        {"wider at its smallest than the room: moved back to end at the edge",
         {300, 130, 1060, 560},
         1200,
         500,
         std::nullopt,
         {166, 130, 1200, 500},
         1200,
         480},
        {"taller at its smallest than the room: moved up",
         {300, 500, 1060, 200},
         800,
         450,
         std::nullopt,
         {300, 328, 800, 400},
         600,
         400},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceCompanion(kScreen, c.card, c.width, c.height, c.saved, c.minWidth, c.minHeight), c.expected)
            << c.what;
}

TEST(WindowPlacement, OnlyAGeometryTheFileHoldsCountsAsStored)
{
    test::TempDir dir;
    SettingsFile settings(dir / "solvane.ini");
    EXPECT_EQ(StoredGeometry(settings, kKaimeGeometry), std::nullopt); // the keys' defaults do not count
    ASSERT_TRUE(settings.set(keys::KaimelocateTop, 30));
    EXPECT_EQ(StoredGeometry(settings, kKaimeGeometry), std::nullopt);
    ASSERT_TRUE(StoreGeometry(settings, kKaimeGeometry, WindowRect{40, 30, 900, 500}));
    EXPECT_EQ(StoredGeometry(settings, kKaimeGeometry), (WindowRect{40, 30, 900, 500}));
    EXPECT_EQ(settings.get(keys::KaimelocateLeft), 40);
    EXPECT_EQ(StoredGeometry(settings, kKenshoGeometry), std::nullopt);
}

} // namespace
} // namespace solvane
