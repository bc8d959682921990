// The resources as the program finds them: this test program is linked with the same compiled resource script
// as dodavirid.exe, so the templates, menu, accelerators, pictures, version and manifest below are the real ones.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "links.h"
#include "resource.h"
#include "version.h"

namespace {

// The fixed head of an extended dialog template, as it lies in the resource.
#pragma pack(push, 2)
struct DialogTemplateHead {
    WORD version;
    WORD signature;
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    WORD controlCount;
    short x, y, cx, cy;
};
#pragma pack(pop)

const void* ResourceBytes(int id, LPCSTR type, DWORD* size = nullptr)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    if (!found)
        return nullptr;
    if (size)
        *size = SizeofResource(nullptr, found);
    return LockResource(LoadResource(nullptr, found));
}

const DialogTemplateHead& TemplateHead(int id)
{
    static const DialogTemplateHead missing = {};
    auto head = static_cast<const DialogTemplateHead*>(ResourceBytes(id, RT_DIALOG));
    return head ? *head : missing;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A dialog made hidden from a template of this program, destroyed with the object.
class Dialog {
public:
    explicit Dialog(int id)
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        window_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, PlainDialogProc, 0);
    }
    ~Dialog()
    {
        if (window_)
            DestroyWindow(window_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::string Text(int id) const { return WindowText(Item(id)); }
    LONG Style(int id) const { return GetWindowLongA(Item(id), GWL_STYLE); }

    static std::string WindowText(HWND window)
    {
        char text[1024] = "";
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
    static std::string ClassOf(HWND window)
    {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        return name;
    }

    // Whether a control lies where the template puts it, in dialog units.
    void ExpectPlaced(int id, int x, int y, int width, int height) const
    {
        RECT expected = {x, y, x + width, y + height};
        MapDialogRect(window_, &expected);
        RECT placed = {};
        GetWindowRect(Item(id), &placed);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_TRUE(EqualRect(&expected, &placed)) << "control " << id;
    }

private:
    HWND window_ = nullptr;
};

TEST(MainWindowTemplate, HasTheWindowStylesAndAllControls)
{
    const DialogTemplateHead& head = TemplateHead(IDD_MAIN);
    EXPECT_EQ(0xFFFF, head.signature);
    EXPECT_EQ(static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT | DS_FIXEDSYS), head.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW | WS_EX_ACCEPTFILES), head.exStyle);
    EXPECT_EQ(21, head.controlCount);
    EXPECT_EQ(280, head.cx);
    EXPECT_EQ(241, head.cy);
}

TEST(Resources, AreAllJapanese)
{
    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    const struct {
        LPCSTR type;
        int id;
    } resources[] = {{RT_DIALOG, IDD_MAIN},
                     {RT_DIALOG, IDD_PREFERENCES},
                     {RT_DIALOG, IDD_ABOUT},
                     {RT_MENU, IDR_MAINMENU},
                     {RT_ACCELERATOR, IDR_ACCELERATORS},
                     {RT_GROUP_ICON, IDI_DODAVIRID},
                     {RT_BITMAP, IDB_INFO},
                     {RT_BITMAP, IDB_WARNING},
                     {RT_BITMAP, IDB_ERROR},
                     // Strings lie in blocks of sixteen, numbered from 1.
                     {RT_STRING, IDS_PRODUCT_NAME / 16 + 1},
                     {RT_VERSION, VS_VERSION_INFO},
                     {RT_MANIFEST, 1}};
    for (const auto& resource : resources)
        EXPECT_NE(nullptr, FindResourceExA(nullptr, resource.type, MAKEINTRESOURCEA(resource.id), japanese))
            << resource.id;
}

TEST(MainWindowTemplate, ControlsHaveTheirClassesStylesAndJapaneseTexts)
{
    Dialog dialog(IDD_MAIN);
    ASSERT_NE(nullptr, dialog.Window());
    EXPECT_FALSE(IsWindowVisible(dialog.Window()));
    EXPECT_EQ("Dodavirid", Dialog::WindowText(dialog.Window()));

    EXPECT_EQ("ファイル:", dialog.Text(IDC_FILE_GROUP));
    EXPECT_EQ("&MML ファイル:", dialog.Text(IDC_MML_LABEL));
    EXPECT_EQ("コンパイラオプション:", dialog.Text(IDC_OPTIONS_GROUP));
    EXPECT_EQ("<> を反転(&X)", dialog.Text(IDC_INVERT_ANGLE));
    EXPECT_EQ("SMF Format &1 を出力", dialog.Text(IDC_FORMAT1));
    EXPECT_EQ("全体移調(&T):", dialog.Text(IDC_TRANSPOSE_LABEL));
    EXPECT_EQ("コンパイル(&C)", dialog.Text(IDC_COMPILE));
    EXPECT_EQ("自動コンパイル(&I)", dialog.Text(IDC_AUTO_COMPILE));

    EXPECT_EQ("Edit", Dialog::ClassOf(dialog.Item(IDC_MML_FILE)));
    EXPECT_EQ("msctls_updown32", Dialog::ClassOf(dialog.Item(IDC_TRANSPOSE_SPIN)));
    EXPECT_EQ("SysListView32", Dialog::ClassOf(dialog.Item(IDC_MESSAGES)));
    EXPECT_EQ(dialog.Item(IDC_TRANSPOSE),
              reinterpret_cast<HWND>(SendMessageA(dialog.Item(IDC_TRANSPOSE_SPIN), UDM_GETBUDDY, 0, 0)));

    EXPECT_TRUE(GetWindowLongA(dialog.Item(IDC_SMF_FILE), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_EQ(ES_NUMBER | ES_RIGHT, dialog.Style(IDC_TRANSPOSE) & (ES_NUMBER | ES_RIGHT));
    EXPECT_EQ(BS_DEFPUSHBUTTON, dialog.Style(IDC_COMPILE) & BS_TYPEMASK);
    EXPECT_EQ(LVS_REPORT | LVS_SINGLESEL, dialog.Style(IDC_MESSAGES) & (LVS_TYPEMASK | LVS_SINGLESEL));
    EXPECT_FALSE(IsWindowEnabled(dialog.Item(IDC_AUTO_PLAY)));
    EXPECT_FALSE(IsWindowEnabled(dialog.Item(IDC_AUTO_COMPILE)));
    EXPECT_TRUE(IsWindowEnabled(dialog.Item(IDC_COMPILE)));

    dialog.ExpectPlaced(IDC_MESSAGES, 4, 128, 272, 108);
    dialog.ExpectPlaced(IDC_COMPILE, 216, 8, 60, 24);
    dialog.ExpectPlaced(IDC_BROWSE_SMF, 164, 60, 44, 12);
}

TEST(MainWindowTemplate, TabOrderFollowsTheFieldsThenOptionsThenButtonsThenList)
{
    Dialog dialog(IDD_MAIN);
    ASSERT_NE(nullptr, dialog.Window());
    // The disabled check boxes and the up-down take no tab stop.
    const std::vector<int> expected = {IDC_MML_FILE,     IDC_BROWSE_MML, IDC_SMF_FILE, IDC_BROWSE_SMF, IDC_INVERT_ANGLE,
                                       IDC_INVERT_PAREN, IDC_FORMAT0,    IDC_FORMAT1,  IDC_TRANSPOSE,  IDC_COMPILE,
                                       IDC_PLAY,         IDC_EDIT,       IDC_MESSAGES, IDC_MML_FILE};
    std::vector<int> order = {IDC_MML_FILE};
    HWND item = dialog.Item(IDC_MML_FILE);
    while (order.size() < expected.size()) {
        item = GetNextDlgTabItem(dialog.Window(), item, FALSE);
        order.push_back(GetDlgCtrlID(item));
    }
    EXPECT_EQ(expected, order);
}

TEST(MainWindowTemplate, FormatRadioButtonsAreOneGroup)
{
    Dialog dialog(IDD_MAIN);
    ASSERT_NE(nullptr, dialog.Window());
    CheckDlgButton(dialog.Window(), IDC_FORMAT1, BST_CHECKED);
    SendMessageA(dialog.Item(IDC_FORMAT0), BM_CLICK, 0, 0);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog.Window(), IDC_FORMAT0));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog.Window(), IDC_FORMAT1));
}

TEST(MainMenu, HelpStandsRightAndCompileIsTheDefault)
{
    Dialog dialog(IDD_MAIN);
    HMENU menu = GetMenu(dialog.Window());
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(3, GetMenuItemCount(menu));

    auto typeOf = [menu](int position) {
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(menu, position, TRUE, &item);
        return item.fType;
    };
    EXPECT_TRUE(typeOf(2) & MFT_RIGHTJUSTIFY);
    EXPECT_FALSE(typeOf(0) & MFT_RIGHTJUSTIFY);

    HMENU filePopup = GetSubMenu(menu, 0);
    EXPECT_EQ(7, GetMenuItemCount(filePopup));
    EXPECT_EQ(static_cast<UINT>(ID_FILE_COMPILE), GetMenuDefaultItem(filePopup, FALSE, 0));

    char label[256] = "";
    GetMenuStringA(menu, ID_FILE_COMPILE, label, sizeof label, MF_BYCOMMAND);
    EXPECT_STREQ("コンパイル(&C)\tEnter", label);
    GetMenuStringA(menu, ID_HELP_MAKER_SITE, label, sizeof label, MF_BYCOMMAND);
    EXPECT_STREQ(DODAVIRID_MAKER_DOMAIN_LABEL, label);
    EXPECT_STREQ("pelri&n.example", label);
    GetMenuStringA(menu, ID_HELP_ABOUT, label, sizeof label, MF_BYCOMMAND);
    EXPECT_STREQ("Dodavirid について(&A)...", label);
}

TEST(Accelerators, AreCtrlECtrlOCtrlPAndF1)
{
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(nullptr, table);
    ACCEL entries[8] = {};
    ASSERT_EQ(4, CopyAcceleratorTableA(table, entries, 8));
    const BYTE control = FVIRTKEY | FCONTROL | FNOINVERT;
    const ACCEL expected[] = {{control, 'E', ID_FILE_EDIT},
                              {control, 'O', ID_FILE_OPEN_MML},
                              {control, 'P', ID_FILE_PLAY},
                              {FVIRTKEY | FNOINVERT, VK_F1, ID_HELP_CONTENTS}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i].fVirt, entries[i].fVirt) << i;
        EXPECT_EQ(expected[i].key, entries[i].key) << i;
        EXPECT_EQ(expected[i].cmd, entries[i].cmd) << i;
    }
    DestroyAcceleratorTable(table);
}

TEST(Pictures, SignsAre16By16PaletteBitmapsOnMagenta)
{
    for (int id : {IDB_INFO, IDB_WARNING, IDB_ERROR}) {
        SCOPED_TRACE(id);
        auto header = static_cast<const BITMAPINFOHEADER*>(ResourceBytes(id, RT_BITMAP));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(16, header->biWidth);
        EXPECT_EQ(16, header->biHeight);
        EXPECT_EQ(8, header->biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
        // The rows run bottom up: the top left pixel starts the last row.
        auto palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
        const int colours = header->biClrUsed ? header->biClrUsed : 256;
        const BYTE topLeft = reinterpret_cast<const BYTE*>(palette + colours)[15 * 16];
        EXPECT_EQ(0xFF, palette[topLeft].rgbRed);
        EXPECT_EQ(0x00, palette[topLeft].rgbGreen);
        EXPECT_EQ(0xFF, palette[topLeft].rgbBlue);

        HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        EXPECT_NE(nullptr, bitmap);
        DeleteObject(bitmap);
    }
}

TEST(Pictures, IconIsOne32By32SixteenColourImage)
{
#pragma pack(push, 2)
    struct GroupIconEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
    struct GroupIcon {
        WORD reserved, type, count;
        GroupIconEntry entries[1];
    };
#pragma pack(pop)
    auto group = static_cast<const GroupIcon*>(ResourceBytes(IDI_DODAVIRID, RT_GROUP_ICON));
    ASSERT_NE(nullptr, group);
    ASSERT_EQ(1, group->count);
    EXPECT_EQ(32, group->entries[0].width);
    EXPECT_EQ(32, group->entries[0].height);
    EXPECT_EQ(16, group->entries[0].colours);
    EXPECT_EQ(4, group->entries[0].bitCount);

    HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_DODAVIRID), IMAGE_ICON, 16, 16, 0);
    EXPECT_NE(nullptr, icon);
    DestroyIcon(static_cast<HICON>(icon));
}

TEST(Version, ReadsTwoZeroZeroOneAndTheProductName)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path, &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(block.size()), block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(MAKELONG(0, 2), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(1, 0), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);

    auto text = [&](const char* name) {
        char* value = nullptr;
        std::string path = std::string("\\StringFileInfo\\041103A4\\") + name;
        return VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ? value : "";
    };
    EXPECT_STREQ("2.0.0.1", text("FileVersion"));
    EXPECT_STREQ("Dodavirid", text("ProductName"));
    EXPECT_STREQ(DODAVIRID_COPYRIGHT, text("LegalCopyright"));

    char name[64] = "";
    EXPECT_EQ(9, LoadStringA(GetModuleHandleA(nullptr), IDS_PRODUCT_NAME, name, sizeof name));
    EXPECT_STREQ("Dodavirid", name);
}

TEST(Manifest, AsksForCommonControlsSixAndGetsThem)
{
    DWORD size = 0;
    auto bytes = static_cast<const char*>(ResourceBytes(1, RT_MANIFEST, &size));
    ASSERT_NE(nullptr, bytes);
    const std::string manifest(bytes, size);
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\""));

    // The loader applied it when the program started: the common controls come from the side-by-side store.
    InitCommonControls();
    ACTCTX_SECTION_KEYED_DATA redirection = {};
    redirection.cbSize = sizeof redirection;
    EXPECT_TRUE(
        FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, "comctl32.dll", &redirection));
    char path[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, MAX_PATH);
    EXPECT_NE(nullptr, StrStrIA(path, "common-controls_6595b64144ccf1df_6.")) << path;
}

TEST(SettingsTemplate, IsAModalShellFontDialogWithItsTexts)
{
    const DialogTemplateHead& head = TemplateHead(IDD_PREFERENCES);
    EXPECT_EQ(0x80C800C8u, head.style);
    EXPECT_EQ(20, head.controlCount);
    EXPECT_EQ(280, head.cx);
    EXPECT_EQ(189, head.cy);

    Dialog dialog(IDD_PREFERENCES);
    ASSERT_NE(nullptr, dialog.Window());
    EXPECT_EQ("Dodavirid の設定", Dialog::WindowText(dialog.Window()));
    EXPECT_EQ("拡張子 .mml の関連付けを使って開く(&A)", dialog.Text(IDC_EDITOR_ASSOC));
    EXPECT_EQ("キャンセル", dialog.Text(IDCANCEL));
    EXPECT_EQ(BS_DEFPUSHBUTTON, dialog.Style(IDOK) & BS_TYPEMASK);
    EXPECT_TRUE(GetWindowLongA(dialog.Item(IDC_CONVERTER_PATH), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    dialog.ExpectPlaced(IDC_PLAYER, 24, 145, 196, 14);

    // The hint is the last static; its comma is a full-width one.
    HWND hint = GetWindow(dialog.Item(IDOK), GW_HWNDPREV);
    EXPECT_EQ("%f : MML/SMF ファイル名，%l : 行番号", Dialog::WindowText(hint));
}

TEST(AboutTemplate, ShowsTheIconAndThePlaceholderVersion)
{
    const DialogTemplateHead& head = TemplateHead(IDD_ABOUT);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS),
              head.style);
    EXPECT_EQ(5, head.controlCount);

    Dialog dialog(IDD_ABOUT);
    ASSERT_NE(nullptr, dialog.Window());
    EXPECT_EQ("About Dodavirid", Dialog::WindowText(dialog.Window()));
    EXPECT_EQ("Version 2.0 rel 0 build 0", dialog.Text(IDC_ABOUT_VERSION));
    EXPECT_EQ(SS_RIGHT, dialog.Style(IDC_ABOUT_VERSION) & SS_TYPEMASK);

    HWND icon = GetWindow(dialog.Item(IDOK), GW_HWNDNEXT);
    EXPECT_EQ(SS_ICON, GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK);
    EXPECT_NE(0, SendMessageA(icon, STM_GETICON, 0, 0));
    HWND copyright = GetWindow(dialog.Item(IDC_ABOUT_VERSION), GW_HWNDNEXT);
    EXPECT_EQ(DODAVIRID_COPYRIGHT, Dialog::WindowText(copyright));
}

}  // namespace
