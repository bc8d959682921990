// The main window's commands that hand work to other programs and dialogs: the editor, the player, the
// settings dialog, the About box, the help text and the web sites.
#include "MainDialog.h"

INT_PTR MainDialog::OnEdit()
{
    return 0;  // opens the MML file in the editor; not yet written
}

INT_PTR MainDialog::OnPlay()
{
    return 0;  // opens the SMF file in the player; not yet written
}

INT_PTR MainDialog::OnMessageDoubleClick(const NMHDR*)
{
    return 0;  // opens the editor at the line a message names; not yet written
}

INT_PTR MainDialog::OnSettings()
{
    return 0;  // shows the settings dialog; not yet written
}

INT_PTR MainDialog::OnAbout()
{
    return 0;  // shows the About box; not yet written
}

INT_PTR MainDialog::OnHelpContents()
{
    return 0;  // opens the help text; not yet written
}

INT_PTR MainDialog::OnConverterSite()
{
    return 0;  // opens the converter's web site; not yet written
}

INT_PTR MainDialog::OnMakerSite()
{
    return 0;  // opens the maker's web site; not yet written
}
