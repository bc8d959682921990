// The message list over a real report-style list view in a real top-level window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "MessageList.h"

namespace {

std::string Str(const ByteString& text)
{
    return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

// A shown window holding a list view set up as the main window sets up its message list: report style,
// one column, and a small-image list of three images.
class MessageListTest : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        frame_ = CreateWindowExA(0, "STATIC", "messages", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(frame_, nullptr);
        HWND view = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                    WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 380,
                                    200, frame_, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(view, nullptr);
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 360;
        column.pszText = const_cast<char*>("message");
        SendMessageA(view, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        images_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0);
        ASSERT_NE(images_, nullptr);
        ImageList_SetImageCount(images_, 3);
        SendMessageA(view, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));
        list_.Attach(view);
    }

    void TearDown() override
    {
        if (frame_)
            DestroyWindow(frame_);
        if (images_)
            ImageList_Destroy(images_);
    }

    int Count() const { return static_cast<int>(SendMessageA(list_.Handle(), LVM_GETITEMCOUNT, 0, 0)); }

    int Image(int index) const
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = index;
        SendMessageA(list_.Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }

    bool LastRowVisible() const
    {
        int top = static_cast<int>(SendMessageA(list_.Handle(), LVM_GETTOPINDEX, 0, 0));
        int perPage = static_cast<int>(SendMessageA(list_.Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
        int last = Count() - 1;
        return top <= last && last < top + perPage;
    }

    HWND frame_ = nullptr;
    HIMAGELIST images_ = nullptr;
    MessageList list_;
};

TEST_F(MessageListTest, AddsARowPerLineWithTheImageOfItsKind)
{
    EXPECT_TRUE(list_.AddOutput("\"trivane.exe\" \"a.mml\" \"a.mid\""));
    EXPECT_FALSE(list_.AddOutput("one\r\nsong.mml: ERROR! in line 3\r\nWarning: unused\r\n\r\n\x93\xFA\x96{"));
    EXPECT_TRUE(list_.AddOutput("Warning: only\r\n"));
    const char* texts[] = {"\"trivane.exe\" \"a.mml\" \"a.mid\"",
                           "one",
                           "song.mml: ERROR! in line 3",
                           "Warning: unused",
                           "",
                           "\x93\xFA\x96{",
                           "Warning: only"};
    const int images[] = {0, 0, 2, 1, 0, 0, 1};
    ASSERT_EQ(Count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Str(list_.RowText(i)), texts[i]) << i;
        EXPECT_EQ(Image(i), images[i]) << i;
    }
    list_.Clear();
    EXPECT_EQ(Count(), 0);
}

TEST_F(MessageListTest, ReadsLongRowsWholeAndNothingForNoRow)
{
    const std::string lengths[] = {std::string(255, 'a'), std::string(256, 'b'), std::string(300, 'c'),
                                   std::string(1500, 'd') + "in line 12"};
    for (const std::string& text : lengths)
        list_.AddOutput(text.c_str());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Str(list_.RowText(i)), lengths[i]) << i;
    EXPECT_EQ(Str(list_.RowText(-1)), "");
    EXPECT_EQ(Str(list_.RowText(4)), "");
}

TEST_F(MessageListTest, ScrollsTheLastRowIntoView)
{
    EXPECT_TRUE(list_.AddOutput(""));
    EXPECT_EQ(Count(), 0);

    ByteString many;
    for (int i = 0; i < 200; ++i)
        many.Append("row\r\n");
    list_.AddOutput(many);
    ASSERT_EQ(Count(), 200);
    EXPECT_TRUE(LastRowVisible());
    // The view draws again once the rows are in.
    EXPECT_TRUE(IsWindowVisible(list_.Handle()));

    // Adding no text still brings the newest row back into view.
    SendMessageA(list_.Handle(), LVM_ENSUREVISIBLE, 0, FALSE);
    ASSERT_FALSE(LastRowVisible());
    EXPECT_TRUE(list_.AddOutput(""));
    EXPECT_EQ(Count(), 200);
    EXPECT_TRUE(LastRowVisible());
}

}  // namespace
