// The main window: its routing table, initialisation, keyboard filter, transposition field and closing.
#include "MainDialog.h"

#include <iterator>

#include "Application.h"
#include "CenterDialog.h"
#include "Dpi.h"
#include "PreferencesStore.h"
#include "ProgramFiles.h"
#include "VersionInfo.h"
#include "resource.h"

const char ConverterNotFoundMessage[] =
    "ERROR! trivane.exe が見つかりませんでした．\r\n「設定」で正しいパスを指定してください．";

ByteString ConverterFailureMessage(const RunOutcome& outcome, DWORD timeLimit)
{
    ByteString text;
    if (outcome.stopped)
        text.Format("ERROR! trivane.exe が %d 秒以内に終了しなかったので停止しました．",
                    static_cast<int>(timeLimit / 1000));
    else if (outcome.Crashed())
        text.Format("ERROR! trivane.exe が終了コード 0x%08X で異常終了しました．", outcome.exitStatus);
    return text;
}

namespace {

// The message signs as drawn for each size, largest first; a window takes the largest that is no larger
// than 16 pixels at its DPI, so that a sign is never stretched. A picture of several signs side by side
// gives the image list one image for each.
const struct {
    int size;
    int bitmaps[3];
} SignPictures[] = {
    {32, {IDB_SIGNS_32}},
    {24, {IDB_SIGNS_24}},
    {20, {IDB_SIGNS_20}},
    {16, {IDB_INFO, IDB_WARNING, IDB_ERROR}},
};

}  // namespace

// Tested in this order; the first row that matches wins. BN_CLICKED and EN_ rows match their code only;
// AnyCode rows serve a menu item (code 0) and its accelerator (code 1) alike.
const MainDialog::Route MainDialog::routes_[] = {
    {WM_INITDIALOG, 0, 0, Call<&MainDialog::OnInitDialog>},
    {WM_DROPFILES, 0, 0, Call<&MainDialog::OnDropFiles>},
    {WM_COMMAND, IDCANCEL, AnyCode, Call<&MainDialog::OnCancel>},
    {WM_COMMAND, IDC_BROWSE_MML, BN_CLICKED, Call<&MainDialog::OnBrowseMml>},
    {WM_COMMAND, IDC_BROWSE_SMF, BN_CLICKED, Call<&MainDialog::OnBrowseSmf>},
    {WM_COMMAND, IDC_SMF_FILE, EN_CHANGE, Call<&MainDialog::OnFileFieldChanged>},
    {WM_COMMAND, IDC_MML_FILE, EN_CHANGE, Call<&MainDialog::OnFileFieldChanged>},
    {WM_COMMAND, IDC_MML_FILE, EN_SETFOCUS, Call<&MainDialog::OnFileFieldFocus>},
    {WM_COMMAND, IDC_SMF_FILE, EN_SETFOCUS, Call<&MainDialog::OnFileFieldFocus>},
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
    {WM_NOTIFY, IDC_MESSAGES, static_cast<int>(NM_DBLCLK), Call<&MainDialog::OnMessageDoubleClick>},
    // A session that ends with the window open ends the process without closing the window.
    {WM_ENDSESSION, 0, 0, Call<&MainDialog::OnEndSession>},
    // The dialog manager fits the window and its controls to the new DPI itself.
    {WM_DPICHANGED, 0, 0, Call<&MainDialog::OnDpiChanged>, ThenDefault},
    {ApplyDpiMessage, 0, 0, Call<&MainDialog::OnApplyDpi>},
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

INT_PTR MainDialog::OnInitDialog()
{
    CenterDialog(window_);
    SetDefaults(preferences_);
    LoadPreferences(preferences_);
    storedPreferences_ = preferences_;

    dpi_ = WindowDpi(window_);
    SetIcon(bigIcon_, ICON_BIG, SM_CXICON, SM_CYICON);
    SetIcon(smallIcon_, ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
    accelerators_.Reset(LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS)));

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
    RunOutcome outcome;
    const ByteString converter = ConverterPath();
    if (NamesThisProgram(converter) || !ReadConverterBanner(converter, banner, BannerTimeLimit, &outcome)) {
        messages_.AddOutput(ConverterNotFoundMessage);
    } else {
        messages_.AddOutput(banner);
        messages_.AddOutput(ConverterFailureMessage(outcome, BannerTimeLimit));
    }
    return TRUE;
}

ByteString MainDialog::ConverterPath() const
{
    return UnquotedPath(preferences_.ConverterPath);
}

void MainDialog::SetIcon(IconHandle& held, WPARAM which, int widthMetric, int heightMetric)
{
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_DODAVIRID), IMAGE_ICON,
                                               MetricForDpi(widthMetric, dpi_), MetricForDpi(heightMetric, dpi_),
                                               LR_DEFAULTCOLOR));
    SendMessageA(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    held.Reset(icon);  // the icon before, if any, is no longer the window's
}

void MainDialog::SetUpMessageList()
{
    HWND list = GetDlgItem(window_, IDC_MESSAGES);
    messages_.Attach(list);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    SetMessageImages();
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = MessageColumnWidth();
    char title[] = "メッセージ";
    column.pszText = title;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
}

void MainDialog::SetMessageImages()
{
    const int wanted = ScaleForDpi(16, dpi_);
    const auto* pictures = &SignPictures[std::size(SignPictures) - 1];
    for (const auto& drawn : SignPictures) {
        if (drawn.size <= wanted) {
            pictures = &drawn;
            break;
        }
    }
    // The images' order is the MessageKind values; the list view owns the image list and destroys it, but
    // the one it had before is the program's to destroy.
    HIMAGELIST images = ImageList_Create(pictures->size, pictures->size, ILC_COLOR8 | ILC_MASK, 2, 1);
    for (int id : pictures->bitmaps) {
        BitmapHandle bitmap(id ? LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)) : nullptr);
        if (bitmap)
            ImageList_AddMasked(images, bitmap.Get(), RGB(255, 0, 255));
    }
    LRESULT before = SendMessageA(messages_.Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    if (before)
        ImageList_Destroy(reinterpret_cast<HIMAGELIST>(before));
}

int MainDialog::MessageColumnWidth() const
{
    // As wide as the client area once a vertical scroll bar shows, so no horizontal one appears.
    RECT bounds;
    GetWindowRect(messages_.Handle(), &bounds);
    return (bounds.right - bounds.left) - 2 * MetricForDpi(SM_CXEDGE, dpi_) - MetricForDpi(SM_CXVSCROLL, dpi_);
}

INT_PTR MainDialog::OnDpiChanged(WPARAM wParam, LPARAM)
{
    // The new DPI comes with the message; what depends on it waits until the window has its new size.
    dpi_ = LOWORD(wParam);
    PostMessageA(window_, ApplyDpiMessage, 0, 0);
    return 0;
}

INT_PTR MainDialog::OnApplyDpi()
{
    SetIcon(bigIcon_, ICON_BIG, SM_CXICON, SM_CYICON);
    SetIcon(smallIcon_, ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
    SetMessageImages();
    SendMessageA(messages_.Handle(), LVM_SETCOLUMNWIDTH, 0, MessageColumnWidth());
    return 0;
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

INT_PTR MainDialog::OnEndSession(WPARAM ending, LPARAM)
{
    if (ending)
        SaveSettings();
    return 0;
}

void MainDialog::SaveSettings()
{
    // Another window of the program may have saved its own changes since this one loaded or saved: only
    // what this window changed since overwrites them.
    SavePreferences(preferences_, &storedPreferences_);
    storedPreferences_ = preferences_;
}

void MainDialog::CloseMainWindow(int exitCode)
{
    SaveSettings();
    DestroyWindow(window_);
    PostQuitMessage(exitCode);
}
