// Which file a name leads to, as the shell and CreateProcessA resolve it.
#include <windows.h>

#include "Handles.h"
#include "ProcessEnvironment.h"
#include "ProgramFiles.h"

namespace {

// The file that CreateProcessA would start for a command line whose first word is `name`: a name with a
// folder as it stands, a bare name from the program's folder, the current folder, the system folders and
// PATH, in that order; ".exe" added when the name has no extension. Empty when there is none.
ByteString FindProgramFile(const ByteString& name)
{
    ByteString folders = ProgramFolder();
    folders.Append(";.;");
    char folder[MAX_PATH] = {};
    if (GetSystemDirectoryA(folder, sizeof folder) > 0)
        folders.Append(folder);
    folders.Append(";");
    if (GetWindowsDirectoryA(folder, sizeof folder) > 0)
        folders.Append(folder);
    ByteString path = EnvironmentVariable("PATH");
    if (!path.IsEmpty()) {
        folders.Append(";");
        folders.Append(path);
    }
    return SystemText([&](char* buffer, DWORD size) {
        return SearchPathA(folders.c_str(), name.c_str(), ".exe", size, buffer, nullptr);
    });
}

// The volume and file number of `path`, which tell a file apart whatever name it is reached by.
bool IdentifyFile(const char* path, BY_HANDLE_FILE_INFORMATION& identity)
{
    HANDLE opened = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    KernelHandle file(opened);
    return GetFileInformationByHandle(file.Get(), &identity) != FALSE;
}

}  // namespace

bool RunsWhenOpened(const ByteString& file)
{
    // The shell resolves the name before it asks what type the file is, and a short name keeps only three
    // letters of an extension: the text proves nothing on its own.
    const ByteString full =
        SystemText([&](char* buffer, DWORD size) { return GetFullPathNameA(file.c_str(), size, buffer, nullptr); });
    const ByteString longName =
        SystemText([&](char* buffer, DWORD size) { return GetLongPathNameA(full.c_str(), buffer, size); });
    const ByteString pathExt = EnvironmentVariable("PATHEXT");
    return IsProgramFile(file, pathExt) || IsProgramFile(full, pathExt) || IsProgramFile(longName, pathExt);
}

bool NamesThisProgram(const ByteString& path)
{
    ByteString program = FindProgramFile(path);
    BY_HANDLE_FILE_INFORMATION theirs, ours;
    if (program.IsEmpty() || !IdentifyFile(program.c_str(), theirs) || !IdentifyFile(ProgramPath().c_str(), ours))
        return false;
    return theirs.dwVolumeSerialNumber == ours.dwVolumeSerialNumber && theirs.nFileIndexHigh == ours.nFileIndexHigh &&
           theirs.nFileIndexLow == ours.nFileIndexLow;
}
