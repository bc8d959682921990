// The Help menu's targets, opened with whatever the desktop associates with a text file or a web address.
#include "HelpCommands.h"

#include <shellapi.h>

#include "ByteString.h"
#include "ProcessEnvironment.h"
#include "links.h"

const char HelpFileName[] = "dodavirid.txt";

namespace {

void OpenThroughShell(HWND owner, const char* target)
{
    // Failures are the shell's to report; the program goes on as before.
    ShellExecuteA(owner, nullptr, target, nullptr, nullptr, SW_SHOWDEFAULT);
}

}  // namespace

void OpenHelpContents(HWND owner)
{
    // The help that came with this program, wherever it was started from; a program without one beside it
    // looks in the current directory, as it always did.
    const ByteString folder = ProgramFolder();
    ByteString beside = folder + "\\" + HelpFileName;
    DWORD attributes = GetFileAttributesA(beside.c_str());
    bool found = !folder.IsEmpty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    OpenThroughShell(owner, found ? beside.c_str() : HelpFileName);
}

void OpenConverterSite(HWND owner)
{
    OpenThroughShell(owner, DODAVIRID_CONVERTER_SITE);
}

void OpenMakerSite(HWND owner)
{
    OpenThroughShell(owner, DODAVIRID_MAKER_SITE);
}
