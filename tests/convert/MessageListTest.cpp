// The message list of the real main window: a row per line with the image of its kind, rows read back whole
// however long, and the newest row scrolled into view.
#include <gtest/gtest.h>

#include <string>

#include "MainWindowHarness.h"

namespace {

TEST(MessageList, AddsRowsWithTheirImagesReadsThemWholeAndShowsTheLast)
{
    MainWindowHarness window;
    ASSERT_TRUE(window.Created());
    MessageList& list = window.Dialog().Messages();
    HWND view = list.Handle();
    list.Clear();
    const std::string a = std::string(255, 'a'), b = std::string(256, 'b'), c = std::string(1500, 'c');
    EXPECT_FALSE(list.AddOutput(
        ("one\r\nx ERROR! in line 3\r\nWarning: x\r\n\r\n\x93\xFA\x96{\r\n" + a + "\r\n" + b + "\r\n" + c).c_str()));
    EXPECT_TRUE(list.AddOutput("Warning: y"));
    // Each row's text and image (0 information, 1 warning, 2 error); nothing for an index that names no row.
    std::string rows;
    for (int i = -1; i < 10; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        SendMessageA(view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows += std::string(list.RowText(i).c_str()) + "|" + std::to_string(item.iImage) + "\n";
    }
    EXPECT_EQ(rows, "|0\none|0\nx ERROR! in line 3|2\nWarning: x|1\n|0\n\x93\xFA\x96{|0\n" + a + "|0\n" + b + "|0\n" +
                        c + "|0\nWarning: y|1\n|0\n");

    ByteString many;
    for (int i = 0; i < 200; ++i)
        many.Append("row\r\n");
    // Adding output, even none, brings the newest row into view.
    for (const char* added : {many.c_str(), ""}) {
        SendMessageA(view, LVM_ENSUREVISIBLE, 0, FALSE);
        list.AddOutput(added);
        int top = static_cast<int>(SendMessageA(view, LVM_GETTOPINDEX, 0, 0));
        int shown = static_cast<int>(SendMessageA(view, LVM_GETCOUNTPERPAGE, 0, 0));
        EXPECT_GE(top + shown, 209);
    }
}

}  // namespace
