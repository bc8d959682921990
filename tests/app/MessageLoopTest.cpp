// The run of the program when its main window cannot be made.
#include <gtest/gtest.h>

#include "Application.h"

// This test program carries none of the program's resources, so the main window's template is missing: the
// run ends at once with 0, without waiting in a loop.
TEST(RunApplication, EndsWithZeroWhenTheMainWindowCannotBeCreated)
{
    Application application;
    EXPECT_EQ(RunApplication(SW_SHOWNORMAL), 0);
    EXPECT_EQ(application.CurrentMessageLoop(), nullptr);
}
