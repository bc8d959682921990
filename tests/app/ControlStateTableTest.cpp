// The deferred control states on real controls: nothing changes before the apply step, the last request
// wins, and a control whose entry was not marked is left as the user set it.
#include <gtest/gtest.h>

#include <windows.h>

#include "ControlStateTable.h"

namespace {

const int Button = 101;
const int Box = 102;
const int Stranger = 103;  // a control of the window that the table does not hold

class ControlStateTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        parent_ = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent_);
        for (int id : {Button, Box, Stranger}) {
            DWORD style = WS_CHILD | (id == Button ? BS_PUSHBUTTON : BS_AUTOCHECKBOX);
            ASSERT_TRUE(CreateWindowExA(0, "Button", "", style, 0, 0, 50, 20, parent_,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr));
        }
        table_.AddContainer(parent_);
    }
    void TearDown() override { DestroyWindow(parent_); }

    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(parent_, id)) != FALSE; }
    bool Checked(int id) const { return IsDlgButtonChecked(parent_, id) == BST_CHECKED; }

    HWND parent_ = nullptr;
    ControlStateTable table_{Button, Box};
};

TEST_F(ControlStateTableTest, RequestsReachTheControlsOnlyWhenAppliedAndTheLastOneWins)
{
    table_.SetControlEnabled(Button, false);
    table_.SetControlChecked(Box, true);
    EXPECT_TRUE(Enabled(Button));
    EXPECT_FALSE(Checked(Box));
    EXPECT_FALSE(table_.ApplyControlStates());
    EXPECT_FALSE(Enabled(Button));
    EXPECT_TRUE(Checked(Box));

    // Set twice before the next apply step: only the second request shows.
    table_.SetControlEnabled(Button, true);
    table_.SetControlEnabled(Button, false);
    table_.SetControlChecked(Box, false);
    table_.SetControlChecked(Box, true);
    EnableWindow(GetDlgItem(parent_, Button), TRUE);
    CheckDlgButton(parent_, Box, BST_UNCHECKED);
    table_.ApplyControlStates();
    EXPECT_FALSE(Enabled(Button));
    EXPECT_TRUE(Checked(Box));
}

TEST_F(ControlStateTableTest, ARequestForThePendingStateOrAnotherControlTouchesNothing)
{
    table_.SetControlEnabled(Box, false);
    table_.ApplyControlStates();
    ASSERT_FALSE(Enabled(Box));

    // The user's changes stand: the same requests again mark nothing, so the apply step leaves them.
    EnableWindow(GetDlgItem(parent_, Box), TRUE);
    CheckDlgButton(parent_, Box, BST_CHECKED);
    table_.SetControlEnabled(Box, false);
    table_.SetControlChecked(Box, false);
    table_.SetControlEnabled(Stranger, false);
    table_.SetControlChecked(Stranger, true);
    table_.ApplyControlStates();
    EXPECT_TRUE(Enabled(Box));
    EXPECT_TRUE(Checked(Box));
    EXPECT_TRUE(Enabled(Stranger));
    EXPECT_FALSE(Checked(Stranger));
}

}  // namespace
