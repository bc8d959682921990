// Starting the editor and the player.
#include "ToolLauncher.h"

#include <shellapi.h>

#include "CommandTemplate.h"
#include "Handles.h"
#include "ProgramFiles.h"

namespace {

bool OpenThroughAssociation(HWND owner, const ByteString& file)
{
    // A typed or dropped program would be run, not edited or played.
    if (RunsWhenOpened(file))
        return false;
    // The shell's default verb for the file's type; whatever goes wrong, the shell tells the user itself.
    ShellExecuteA(owner, nullptr, file.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
    return true;
}

}  // namespace

void LaunchCommand(const ByteString& commandLine)
{
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    ByteString buffer = commandLine;
    char* writable = buffer.GetBuffer(commandLine.Length());
    if (!writable)
        return;
    // The tool shows its window as it likes: every field but the size stays zero. No application name, so
    // the first token is looked up as the user would expect from a command prompt.
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, writable, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return;
    // Nothing waits for the tool: both handles go at once, the thread's first.
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
}

bool OpenEditor(const Preferences& preferences, HWND owner, const ByteString& mmlFile)
{
    if (preferences.UseMyEditor)
        LaunchCommand(ExpandCommand(preferences.MyEditor, mmlFile));
    else
        return OpenThroughAssociation(owner, mmlFile);
    return true;
}

bool OpenEditorAtLine(const Preferences& preferences, HWND owner, const ByteString& mmlFile, int line)
{
    // An empty line template stays empty: falling back to MyEditor would open the file away from the line.
    if (preferences.UseMyEditor)
        LaunchCommand(ExpandCommand(preferences.MyEditorWithLine, mmlFile, line));
    else
        return OpenThroughAssociation(owner, mmlFile);
    return true;
}

bool OpenPlayer(const Preferences& preferences, HWND owner, const ByteString& smfFile)
{
    if (preferences.UseMyPlayer)
        LaunchCommand(ExpandCommand(preferences.MyPlayer, smfFile));
    else
        return OpenThroughAssociation(owner, smfFile);
    return true;
}
