// The main window: its routing table, initialisation, keyboard filter, transposition field and closing.
#include "MainDialog.h"

#include "Application.h"
#include "CenterDialog.h"
#include "ChildProcess.h"
#include "PreferencesStore.h"
#include "VersionInfo.h"
#include "resource.h"

const char ConverterNotFoundMessage[] =
    "ERROR! trivane.exe が見つかりませんでした．\r\n「設定」で正しいパスを指定してください．";

ByteString ConverterStoppedMessage(DWORD timeLimit)
{
    ByteString text;
    text.Format("ERROR! trivane.exe が %d 秒以内に終了しなかったので停止しました．",
                static_cast<int>(timeLimit / 1000));
    return text;
}

// Tested in this order; the first row that matches wins. BN_CLICKED and EN_ rows match their code only;
// AnyCode rows serve a menu item (code 0) and its accelerator (code 1) alike.
const MainDialog::Route MainDialog::routes_[] = {
    {WM_INITDIALOG, 0, 0, CallInitDialog},
    {WM_DROPFILES, 0, 0, CallDropFiles},
    {WM_COMMAND, IDCANCEL, AnyCode, Call<&MainDialog::OnCancel>},
    {WM_COMMAND, IDC_BROWSE_MML, BN_CLICKED, Call<&MainDialog::OnBrowseMml>},
    {WM_COMMAND, IDC_BROWSE_SMF, BN_CLICKED, Call<&MainDialog::OnBrowseSmf>},
    {WM_COMMAND, IDC_SMF_FILE, EN_CHANGE, Call<&MainDialog::OnFileFieldChanged>},
    {WM_COMMAND, IDC_MML_FILE, EN_CHANGE, Call<&MainDialog::OnFileFieldChanged>},
    {WM_COMMAND, IDC_MML_FILE, EN_SETFOCUS, CallFileFieldFocus},
    {WM_COMMAND, IDC_SMF_FILE, EN_SETFOCUS, CallFileFieldFocus},
    {WM_COMMAND, IDC_COMPILE, BN_CLICKED, Call<&MainDialog::OnCompile>},
    {WM_COMMAND, IDC_TRANSPOSE, EN_CHANGE, Call<&MainDialog::OnTransposeChanged>},
    {WM_COMMAND, IDC_PLAY, BN_CLICKED, Call<&MainDialog::OnPlay>},
    {WM_COMMAND, IDC_EDIT, BN_CLICKED, Call<&MainDialog::OnEdit>},
    {WM_COMMAND, ID_HELP_ABOUT, AnyCode, Call<&MainDialog::OnAbout>},
    {WM_COMMAND, ID_FILE_OPEN_MML, AnyCode, Call<&MainDialog::OnBrowseMml>},
    {WM_COMMAND, ID_FILE_COMPILE, AnyCode, Call<&MainDialog::OnCompile>},
    {WM_COMMAND, ID_FILE_PLAY, AnyCode, Call<&MainDialog::OnPlay>},
    {WM_COMMAND, ID_FILE_EDIT, AnyCode, Call<&MainDialog::OnEdit>},
    {WM_COMMAND, ID_FILE_EXIT, AnyCode, Call<&MainDialog::OnExit>},
    {WM_COMMAND, ID_HELP_CONVERTER_SITE, AnyCode, Call<&MainDialog::OnConverterSite>},
    {WM_COMMAND, ID_HELP_MAKER_SITE, AnyCode, Call<&MainDialog::OnMakerSite>},
    {WM_COMMAND, ID_HELP_CONTENTS, AnyCode, Call<&MainDialog::OnHelpContents>},
    {WM_COMMAND, ID_OPTIONS_SETTINGS, AnyCode, Call<&MainDialog::OnSettings>},
    {WM_NOTIFY, IDC_MESSAGES, static_cast<int>(NM_DBLCLK), CallMessageDoubleClick},
};

MainDialog::MainDialog()
    : controlStates_({IDC_MML_FILE, IDC_MESSAGES, IDC_COMPILE, IDC_PLAY, IDC_EDIT, IDC_FORMAT0, IDC_FORMAT1,
                      IDC_INVERT_ANGLE, IDC_INVERT_PAREN, IDC_TRANSPOSE})
{
}

MainDialog::~MainDialog()
{
    // Normally the window is gone already (CloseMainWindow); a dialog dropped while open takes it along.
    if (window_)
        DestroyWindow(window_);
    if (menu_ && IsMenu(menu_))
        DestroyMenu(menu_);
}

bool MainDialog::Create()
{
    return CreateModeless(IDD_MAIN, nullptr) != nullptr;
}

INT_PTR MainDialog::CallInitDialog(MainDialog& dialog, WPARAM, LPARAM)
{
    return dialog.OnInitDialog() ? TRUE : FALSE;
}

INT_PTR MainDialog::CallDropFiles(MainDialog& dialog, WPARAM wParam, LPARAM)
{
    return dialog.OnDropFiles(reinterpret_cast<HDROP>(wParam));
}

INT_PTR MainDialog::CallFileFieldFocus(MainDialog& dialog, WPARAM wParam, LPARAM)
{
    return dialog.OnFileFieldFocus(LOWORD(wParam));
}

INT_PTR MainDialog::CallMessageDoubleClick(MainDialog& dialog, WPARAM, LPARAM lParam)
{
    return dialog.OnMessageDoubleClick(reinterpret_cast<const NMHDR*>(lParam));
}

LRESULT CALLBACK
MainDialog::FileFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    // The fields accept files themselves, so a file dropped on one arrives here and not at the window; it is
    // handed to the window, which treats it like any drop.
    if (message == WM_DROPFILES)
        return SendMessageA(GetParent(field), WM_DROPFILES, wParam, lParam);
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(field, FileFieldProc, id);
    return DefSubclassProc(field, message, wParam, lParam);
}

bool MainDialog::OnInitDialog()
{
    CenterDialog(window_);
    SetDefaults(preferences_);
    LoadPreferences(preferences_);

    HINSTANCE module = GetModuleHandleA(nullptr);
    bigIcon_.Reset(
        static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_DODAVIRID), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                      GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    smallIcon_.Reset(
        static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_DODAVIRID), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    accelerators_.Reset(LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDR_ACCELERATORS)));

    if (MessageLoop* loop = Application::Current() ? Application::Current()->CurrentMessageLoop() : nullptr) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    controlStates_.AddContainer(window_);

    mmlField_ = GetDlgItem(window_, IDC_MML_FILE);
    smfField_ = GetDlgItem(window_, IDC_SMF_FILE);
    SetWindowSubclass(mmlField_, FileFieldProc, 1, 0);
    SetWindowSubclass(smfField_, FileFieldProc, 1, 0);
    transposeSpin_ = GetDlgItem(window_, IDC_TRANSPOSE_SPIN);
    SendMessageA(transposeSpin_, UDM_SETRANGE, 0, MAKELPARAM(12, -12));
    transposeField_ = GetDlgItem(window_, IDC_TRANSPOSE);
    SetWindowTextA(transposeField_, "0");

    controlStates_.SetControlChecked(IDC_FORMAT1, true);
    SetUpMessageList();
    controlStates_.SetControlEnabled(IDC_COMPILE, false);
    controlStates_.SetControlEnabled(IDC_EDIT, false);
    controlStates_.SetControlEnabled(IDC_PLAY, false);
    menu_ = GetMenu(window_);
    EnableCommand(ID_FILE_COMPILE, false);
    EnableCommand(ID_FILE_PLAY, false);
    EnableCommand(ID_FILE_EDIT, false);

    ByteString version;
    version.Format("Dodavirid Version %s", FormatFileVersion().c_str());
    messages_.AddOutput(version);
    // The window shows only after the banner run: a missing converter is reported before the user starts.
    // This program as its own converter would start itself again and again, each from its own banner run.
    ByteString banner;
    bool stopped = false;
    const ByteString& converter = preferences_.ConverterPath;
    if (NamesThisProgram(converter) || !ReadConverterBanner(converter, banner, BannerTimeLimit, &stopped)) {
        messages_.AddOutput(ConverterNotFoundMessage);
    } else {
        messages_.AddOutput(banner);
        if (stopped)
            messages_.AddOutput(ConverterStoppedMessage(BannerTimeLimit));
    }
    return true;
}

void MainDialog::SetUpMessageList()
{
    HWND list = GetDlgItem(window_, IDC_MESSAGES);
    messages_.Attach(list);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);

    // The images' order is the MessageKind values; the list view owns the image list and destroys it.
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR8 | ILC_MASK, 2, 1);
    for (int id : {IDB_INFO, IDB_WARNING, IDB_ERROR}) {
        BitmapHandle bitmap(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
        if (bitmap)
            ImageList_AddMasked(images, bitmap.Get(), RGB(255, 0, 255));
    }
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));

    // One column as wide as the client area once a vertical scroll bar shows, so no horizontal one appears.
    RECT bounds;
    GetWindowRect(list, &bounds);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = (bounds.right - bounds.left) - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL);
    char title[] = "メッセージ";
    column.pszText = title;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
}

bool MainDialog::FilterMessage(MSG& message)
{
    if (!window_)
        return false;
    // Accelerators are tried for every message, whichever window it is for: Ctrl+O works with the focus in
    // any control. A grayed menu item keeps its accelerator from sending anything.
    if (accelerators_ && TranslateAcceleratorA(window_, accelerators_.Get(), &message))
        return true;
    return IsDialogMessageA(window_, &message) != FALSE;
}

bool MainDialog::OnIdle()
{
    return controlStates_.ApplyControlStates();
}

void MainDialog::EnableCommand(UINT command, bool enabled)
{
    EnableMenuItem(menu_, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

INT_PTR MainDialog::OnTransposeChanged()
{
    if (!transposeSpin_)
        return 0;
    // The up-down parses its buddy; a non-zero high word means the text is not a number within -12 to 12.
    // An empty field counts as invalid too, although some versions of the control read it as 0. Setting the
    // position rewrites the text, and the EN_CHANGE that follows finds "0" valid.
    LRESULT position = SendMessageA(transposeSpin_, UDM_GETPOS, 0, 0);
    if (HIWORD(position) != 0 || GetWindowTextLengthA(transposeField_) == 0)
        SendMessageA(transposeSpin_, UDM_SETPOS, 0, MAKELPARAM(0, 0));
    return 0;
}

INT_PTR MainDialog::OnCancel()
{
    CloseMainWindow(2);
    return 0;
}

INT_PTR MainDialog::OnExit()
{
    CloseMainWindow(ID_FILE_EXIT);
    return 0;
}

void MainDialog::CloseMainWindow(int exitCode)
{
    SavePreferences(preferences_);
    DestroyWindow(window_);
    PostQuitMessage(exitCode);
}
