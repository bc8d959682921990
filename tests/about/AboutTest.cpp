// The About box, opened from the real main window's Help menu with the window near each corner of the work
// area: the file version, read afresh each time, and the box kept inside the work area.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "MainWindowHarness.h"
#include "resource.h"

namespace {

TEST(AboutBox, ShowsTheFileVersionInsideTheWorkAreaAndClosesWithEnterOrEscape)
{
    MainWindowHarness window;
    ASSERT_TRUE(window.Created());
    RECT area, main;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window.Window(), &main);
    int width = main.right - main.left, height = main.bottom - main.top;
    // Centred on the main window, the box would stick out past the corner the window hangs over.
    const POINT corners[] = {{area.right - width / 4, area.bottom - height / 4},
                             {area.left - width * 3 / 4, area.top - height * 3 / 4}};
    for (const POINT& corner : corners) {
        SetWindowPos(window.Window(), nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        std::string version;
        RECT box = {};
        RunModalCommand(window.Window(), ID_HELP_ABOUT, [&](HWND dialog) {
            version = DialogItemText(dialog, IDC_ABOUT_VERSION);
            GetWindowRect(dialog, &box);
            PressKey(dialog, GetDlgItem(dialog, IDOK), corner.x == corners[0].x ? VK_RETURN : VK_ESCAPE);
        });
        EXPECT_EQ(version, "Version 2.0.0.1");
        EXPECT_TRUE(box.left >= area.left && box.top >= area.top && box.right <= area.right &&
                    box.bottom <= area.bottom)
            << box.left << "," << box.top << " - " << box.right << "," << box.bottom;
    }
}

}  // namespace
