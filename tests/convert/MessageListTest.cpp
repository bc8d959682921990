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
    // Each row's text, then its image: 0 information, 1 warning, 2 error.
    const std::string rows[] = {"one|0",
                                "a.mml: ERROR! in line 3|2",
                                "Warning: x|1",
                                "|0",
                                "\x93\xFA\x96{|0",
                                std::string(255, 'a') + "|0",
                                std::string(256, 'b') + "|0",
                                std::string(1500, 'c') + " in line 12|0",
                                "Warning: y|1"};
    std::string output;
    for (int i = 0; i < 8; ++i)
        output += rows[i].substr(0, rows[i].size() - 2) + "\r\n";
    EXPECT_FALSE(list.AddOutput(output.c_str()));
    EXPECT_TRUE(list.AddOutput("Warning: y"));
    for (int i = -1; i < 10; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        SendMessageA(view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        std::string row = std::string(list.RowText(i).c_str()) + "|" + std::to_string(item.iImage);
        EXPECT_EQ(row, i >= 0 && i < 9 ? rows[i] : "|0") << i;  // nothing for an index that names no row
    }

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
