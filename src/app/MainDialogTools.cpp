// The main window's commands that hand work to other programs and dialogs: the editor, the player, the
// settings dialog, the About box, the help text and the web sites.
#include "MainDialog.h"

#include "AboutDialog.h"
#include "HelpCommands.h"
#include "MessageLines.h"
#include "PreferencesDialog.h"
#include "ToolLauncher.h"

void MainDialog::ReportProgramFile(const ByteString& file)
{
    // Appended, not formatted, so that a long name is shown whole.
    ByteString text = "ERROR! ";
    text.Append(file);
    text.Append(" はプログラムなので開きませんでした．");
    messages_.AddOutput(text);
}

// The fields are passed on as they stand, even empty: a wrong name shows up in the tool or the shell.
INT_PTR MainDialog::OnEdit()
{
    ByteString file = WindowText(mmlField_);
    if (!OpenEditor(preferences_, window_, file))
        ReportProgramFile(file);
    return 0;
}

INT_PTR MainDialog::OnPlay()
{
    ByteString file = WindowText(smfField_);
    if (!OpenPlayer(preferences_, window_, file))
        ReportProgramFile(file);
    return 0;
}

INT_PTR MainDialog::OnMessageDoubleClick(const NMHDR* notification)
{
    // iItem is -1 below the last row, which RowText turns into an empty text that names no line. Any row's
    // kind will do: a warning about a line is as worth jumping to as an error.
    const auto* activation = reinterpret_cast<const NMITEMACTIVATE*>(notification);
    int line = 0;
    if (!SourceLineOf(messages_.RowText(activation->iItem), line))
        return 0;
    // The field as it is now, which may no longer be the file of the last compile.
    ByteString file = WindowText(mmlField_);
    if (!OpenEditorAtLine(preferences_, window_, file, line))
        ReportProgramFile(file);
    return 0;
}

INT_PTR MainDialog::OnSettings()
{
    // The dialog edits a copy; Cancel leaves nothing behind. The registry is written only when the window closes.
    PreferencesDialog dialog(preferences_);
    if (dialog.Run(GetActiveWindow()) == IDOK)
        preferences_ = dialog.Record();
    return 0;
}

INT_PTR MainDialog::OnAbout()
{
    AboutDialog().Run(GetActiveWindow());
    return 0;
}

INT_PTR MainDialog::OnHelpContents()
{
    OpenHelpContents(window_);
    return 0;
}

INT_PTR MainDialog::OnConverterSite()
{
    OpenConverterSite(window_);
    return 0;
}

INT_PTR MainDialog::OnMakerSite()
{
    OpenMakerSite(window_);
    return 0;
}
