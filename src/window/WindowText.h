// Reading a window's text the way every window of the program reads its fields.
#pragma once

#include <windows.h>

#include "ByteString.h"

// The most bytes of a field that the program keeps, as much as a settings value holds without its NUL.
const int FieldBytes = 1023;

// Reads at most the first `limit` bytes of the window's text into `text`. False, leaving `text` as it was,
// when there is no memory for it.
bool ReadWindowText(HWND window, ByteString& text, int limit = FieldBytes);
// The same as a value, empty when there is no memory.
ByteString WindowText(HWND window);
