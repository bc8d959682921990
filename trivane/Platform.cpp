#include "Platform.h"

#include "CodePage.h"
#include "Diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* messages = stdout;

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

// The bytes left in a file from where it is read now, or -1 for a stream without a size (a pipe, a terminal).
long SizeLeft(std::FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long end = std::ftell(file);
    return std::fseek(file, here, SEEK_SET) == 0 && end >= here ? end - here : -1;
}

ReadResult ReadStream(std::FILE* file, std::int64_t limit, std::string& text)
{
    text.clear();
    // A file of known size is read at once into a text of that size (and one byte more, which finds a file that
    // grew): a large source is then held once, not once more while a growing text is copied.
    const long size = SizeLeft(file);
    if (size >= 0 && size <= limit) {
        text.resize(static_cast<std::size_t>(size) + 1);
        text.resize(std::fread(&text[0], 1, text.size(), file));
        if (text.size() <= static_cast<std::size_t>(size) || std::ferror(file))
            return std::ferror(file) ? ReadResult::CannotRead : ReadResult::Ok;
    }
    char buffer[65536];
    for (;;) {
        std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, count);
        if (count < sizeof buffer || static_cast<std::int64_t>(text.size()) > limit)
            break;
    }
    if (std::ferror(file))
        return ReadResult::CannotRead;
    return static_cast<std::int64_t>(text.size()) > limit ? ReadResult::TooLarge : ReadResult::Ok;
}

}  // namespace

ReadResult ReadSource(const std::string& path, std::int64_t limit, std::string& text)
{
    if (path == StandardStream)
        return ReadStream(stdin, limit, text);
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return ReadResult::CannotOpen;
    return ReadStream(file.get(), limit, text);
}

#ifdef _WIN32
namespace {

bool IdentityOf(const std::string& path, DWORD standardHandle, BY_HANDLE_FILE_INFORMATION& identity)
{
    // A pipe or a console has no identity worth comparing.
    if (path == StandardStream) {
        HANDLE handle = GetStdHandle(standardHandle);
        return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &identity) != 0;
    }
    // No access asked for: only the file's identity is read, whoever else has it open.
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetFileInformationByHandle(file, &identity) != 0;
    CloseHandle(file);
    return ok;
}

// Something that exists and is no file on a disk: a device (NUL, CON) or a pipe.
bool IsDevice(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool device = GetFileType(file) != FILE_TYPE_DISK;
    CloseHandle(file);
    return device;
}

}  // namespace

bool IsSameFile(const std::string& input, const std::string& output)
{
    BY_HANDLE_FILE_INFORMATION a, b;
    return IdentityOf(input, STD_INPUT_HANDLE, a) && IdentityOf(output, STD_OUTPUT_HANDLE, b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool IsStandardOutputTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}
#else
namespace {

bool IdentityOf(const std::string& path, int standardStream, struct stat& identity)
{
    return path == StandardStream ? fstat(standardStream, &identity) == 0 : stat(path.c_str(), &identity) == 0;
}

// Something that exists and is neither a file nor a folder: a device (/dev/null) or a pipe.
bool IsDevice(const std::string& path)
{
    struct stat identity;
    return stat(path.c_str(), &identity) == 0 && !S_ISREG(identity.st_mode) && !S_ISDIR(identity.st_mode);
}

}  // namespace

bool IsSameFile(const std::string& input, const std::string& output)
{
    struct stat a, b;
    return IdentityOf(input, STDIN_FILENO, a) && IdentityOf(output, STDOUT_FILENO, b) && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

bool IsStandardOutputTerminal()
{
    return isatty(STDOUT_FILENO) != 0;
}
#endif

bool WriteSmf(const std::string& path, const SmfBytes& bytes)
{
    if (path == StandardStream)
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
    if (IsDevice(path)) {
        File file(std::fopen(path.c_str(), "wb"));
        return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
               std::fclose(file.release()) == 0;
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%lu.tmp", ProcessId());
    std::string temporary = path + suffix;
    File file(std::fopen(temporary.c_str(), "wb"));
    if (!file)
        return false;
#ifdef __linux__
    // Its blocks taken now: a file system that allocates them only when it writes the file out (ext4) would
    // otherwise write the whole of it while it replaces the old file, and keep us waiting. Where this cannot be
    // done, the file is written all the same.
    fallocate(fileno(file.get()), 0, 0, static_cast<off_t>(bytes.size()));
#endif
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    written = std::fclose(file.release()) == 0 && written;
    if (!written || !ReplaceFile(temporary, path)) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

void UseBinaryStandardStreams()
{
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

void UseStandardErrorForMessages()
{
    messages = stderr;
}

std::string ConsoleText(const std::string& cp932)
{
#ifdef _WIN32
    return cp932;
#else
    std::string utf8;
    AppendAsUtf8(cp932, utf8);
    return utf8;
#endif
}

std::string ConsoleFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatList(ConsoleText(format).c_str(), args);
    va_end(args);
    return text;
}

void PrintLine(const std::string& line)
{
#ifdef _WIN32
    static const char end[] = "\r\n";
#else
    static const char end[] = "\n";
#endif
    std::fwrite(line.data(), 1, line.size(), messages);
    std::fwrite(end, 1, sizeof end - 1, messages);
}
