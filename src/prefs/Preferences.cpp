// The settings record's defaults: the converter found by the platform's search for programs, files opened
// through their associations.
#include "Preferences.h"

void SetDefaults(Preferences& preferences)
{
    preferences.ConverterPath = "trivane.exe";
    preferences.MyEditorWithLine.Empty();
    preferences.MyEditor.Empty();
    preferences.MyPlayer.Empty();
    preferences.UseMyPlayer = false;
    preferences.UseMyEditor = false;
}
