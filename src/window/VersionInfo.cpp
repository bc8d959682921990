// Reading the version resource.
#include "VersionInfo.h"

#include <cstring>

#include "ProcessEnvironment.h"

bool VersionInfo::ReadVersionInfo(const char* path)
{
    lstrcpynA(path_, path, sizeof(path_));
    DWORD unused = 0;
    blockSize_ = GetFileVersionInfoSizeA(path_, &unused);
    if (blockSize_ == 0)
        return false;
    block_.assign(blockSize_, 0);
    void* root = nullptr;
    UINT rootSize = 0;
    if (!GetFileVersionInfoA(path_, 0, blockSize_, block_.data()) ||
        !VerQueryValueA(block_.data(), "\\", &root, &rootSize) || rootSize < sizeof(fixedInfo_)) {
        block_.clear();
        return false;
    }
    std::memcpy(&fixedInfo_, root, sizeof(fixedInfo_));
    return true;
}

ByteString FormatFileVersion(const char* path)
{
    VersionInfo info;
    // An unreadable resource leaves the fixed part zero, so the text is then "0.0.0.0", never stray memory.
    info.ReadVersionInfo(path);
    const VS_FIXEDFILEINFO& fixed = info.FixedInfo();
    ByteString text;
    text.Format("%0d.%0d.%0d.%0d", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    return text;
}

ByteString FormatFileVersion()
{
    return FormatFileVersion(ProgramPath().c_str());
}
