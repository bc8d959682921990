// The entry point of dodavirid.exe. Its command line is never read: a file name or option given to the
// program has no effect.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    CoInitialize(nullptr);
    // The main window's list view and up-down need their classes registered before its template is loaded.
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&classes);
    int result;
    {
        Application application;
        result = RunApplication(showCommand);
    }
    CoUninitialize();
    return result;
}
