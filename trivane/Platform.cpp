#include "Platform.h"

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

unsigned long ProcessId()
{
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

bool ReplaceFile(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

ReadResult ReadSource(const std::string& path, std::int64_t limit, std::string& text)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return ReadResult::CannotOpen;
    text.clear();
    char buffer[65536];
    for (;;) {
        std::size_t count = std::fread(buffer, 1, sizeof buffer, file.get());
        text.append(buffer, count);
        if (count < sizeof buffer || static_cast<std::int64_t>(text.size()) > limit)
            break;
    }
    if (std::ferror(file.get()))
        return ReadResult::CannotRead;
    return static_cast<std::int64_t>(text.size()) > limit ? ReadResult::TooLarge : ReadResult::Ok;
}

#ifdef _WIN32
namespace {

bool IdentityOf(const std::string& path, BY_HANDLE_FILE_INFORMATION& identity)
{
    // No access asked for: only the file's identity is read, whoever else has it open.
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetFileInformationByHandle(file, &identity) != 0;
    CloseHandle(file);
    return ok;
}

}  // namespace

bool IsSameFile(const std::string& input, const std::string& output)
{
    BY_HANDLE_FILE_INFORMATION a, b;
    return IdentityOf(input, a) && IdentityOf(output, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}
#else
bool IsSameFile(const std::string& input, const std::string& output)
{
    struct stat a, b;
    return stat(input.c_str(), &a) == 0 && stat(output.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}
#endif

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%lu.tmp", ProcessId());
    std::string temporary = path + suffix;
    File file(std::fopen(temporary.c_str(), "wb"));
    if (!file)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    written = std::fclose(file.release()) == 0 && written;
    if (!written || !ReplaceFile(temporary, path)) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

void UseBinaryStandardOutput()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

void PrintLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fwrite("\r\n", 1, 2, stdout);
}
