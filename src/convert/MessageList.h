// The message list: the main window's report-style list view, one row per line of output, each with the
// image of its kind (0 information, 1 warning, 2 error in the list's small-image list).
#pragma once

#include <windows.h>

#include "ByteString.h"
#include "MessageLines.h"

class MessageList {
public:
    void Attach(HWND list) { list_ = list; }
    HWND Handle() const { return list_; }

    // Adds a row for each line of `text`, scrolls the last row into view; true when no added row is an error.
    bool AddOutput(ByteString text);
    void Clear();
    // The whole text of a row; empty for an index that names no row.
    ByteString RowText(int index) const;

private:
    HWND list_ = nullptr;
};
