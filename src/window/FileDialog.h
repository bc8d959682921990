// The common open and save dialogs as the program's windows use them: one set of flags for both, a filter
// made of (description, pattern) pairs, and a path of at most 259 bytes.
#pragma once

#include <windows.h>

#include "ByteString.h"

class FileDialog {
public:
    enum Kind { Open, Save };

    // `defaultExtension` is a bare extension without a dot ("mml"), appended to a name typed without one;
    // null for none.
    FileDialog(Kind kind, const char* defaultExtension);

    // Pairs are listed in the dialog in the order added.
    void AddFilter(const char* description, const char* pattern);

    // Shows the dialog over `owner`, starting from the first 259 bytes of `initialName`. True when the user
    // accepted a name, which Path() then gives; false for Cancel and for a dialog that failed.
    bool Run(HWND owner, const ByteString& initialName);
    const ByteString& Path() const { return path_; }

private:
    Kind kind_;
    const char* defaultExtension_;
    ByteString filter_;  // description NUL pattern NUL ..., the closing NUL being the string's own
    ByteString path_;
};
