// The file version of an executable, from its version resource.
#pragma once

#include <windows.h>

#include <vector>

#include "ByteString.h"

class VersionInfo {
public:
    // Reads the version resource of the file at `path`; false when it has none or it cannot be read.
    bool ReadVersionInfo(const char* path);
    // The fixed part of the resource; all zero until a read has succeeded.
    const VS_FIXEDFILEINFO& FixedInfo() const { return fixedInfo_; }

private:
    char path_[MAX_PATH] = {};
    std::vector<char> block_;
    DWORD blockSize_ = 0;
    VS_FIXEDFILEINFO fixedInfo_ = {};
};

// "major.minor.patch.build" of the file version of `path`, or "0.0.0.0" when it cannot be read.
ByteString FormatFileVersion(const char* path);
// The same for the program's own executable, for example "2.0.0.1".
ByteString FormatFileVersion();
