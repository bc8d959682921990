// The Help menu's targets, opened with whatever the desktop associates with a text file or a web address.
#include "HelpCommands.h"

#include <shellapi.h>

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
    OpenThroughShell(owner, HelpFileName);
}

void OpenConverterSite(HWND owner)
{
    OpenThroughShell(owner, DODAVIRID_CONVERTER_SITE);
}

void OpenMakerSite(HWND owner)
{
    OpenThroughShell(owner, DODAVIRID_MAKER_SITE);
}
