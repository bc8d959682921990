// The message list over its report-style list view: rows go in at the end, each with the image of its kind.
#include "MessageList.h"

#include <commctrl.h>

#include <cstring>

bool MessageList::AddOutput(ByteString text)
{
    bool noErrors = true;
    int offset = 0;
    ConverterMessage line;
    // Drawing stays off while the rows go in: a view that redraws and resizes its scroll bar for every
    // insert needs tens of milliseconds a row, which turns a long converter output into minutes.
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    while (TakeLine(text, offset, line)) {
        if (line.kind == MessageKind::Error)
            noErrors = false;
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
        item.iSubItem = 0;
        item.pszText = const_cast<char*>(line.text.c_str());
        item.iImage = static_cast<int>(line.kind);
        // A row that cannot be inserted is left out; the rows after it still go in.
        SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    // Also after an empty text: the caller expects the newest row in view whenever it has added output.
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    SendMessageA(list_, LVM_ENSUREVISIBLE, count - 1, FALSE);
    return noErrors;
}

void MessageList::Clear()
{
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
}

ByteString MessageList::RowText(int index) const
{
    // The control tells only how much it copied, not how long the text is. A buffer that it filled up to
    // its last byte may have cut the text, and so may one it filled up to the byte before: Windows stops a
    // copy early rather than split a double-byte character. Then the text is read again into a buffer twice
    // as large. Wine may fill the whole buffer and write no NUL at all; the zeroed byte after it ends the text.
    ByteString text;
    for (int size = 256; size < (1 << 30); size *= 2) {
        char* buffer = text.GetBuffer(size);
        if (!buffer)
            break;
        std::memset(buffer, 0, static_cast<size_t>(size) + 1);
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = buffer;
        item.cchTextMax = size;
        LRESULT copied = SendMessageA(list_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        if (copied < size - 2) {
            // An index that names no row copies nothing and leaves the buffer empty.
            text.ReleaseBuffer();
            return text;
        }
    }
    return ByteString();
}
