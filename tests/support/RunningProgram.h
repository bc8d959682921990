// dodavirid.exe started as a user starts it, from a folder of its own, and driven from outside the process:
// keys and characters posted as the keyboard posts them, window texts, and the message list's rows read
// through memory in the program's own process (a list view answers with pointers into its owner).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "resource.h"

// Polls `done` every 20 ms for up to `milliseconds`; true once it holds.
bool WaitFor(const std::function<bool()>& done, DWORD milliseconds = 20000);

// Z:\... for a path of the Linux file system, as Wine names it.
std::string WindowsPath(const std::string& unixPath);

struct ListRow {
    std::string text;
    int image;
};

class RunningProgram {
public:
    // A fresh folder under the temporary folder, removed again with the files put there.
    RunningProgram();
    // An existing folder that already holds dodavirid.exe, such as an unpacked release; left as it is.
    explicit RunningProgram(const std::string& folder) : folder_(folder) {}
    ~RunningProgram();

    std::string In(const std::string& name) const { return folder_ + "\\" + name; }
    // Copies a file into the folder; it is removed with the folder.
    void Copy(const std::string& from, const std::string& name)
    {
        CopyFileA(from.c_str(), In(name).c_str(), FALSE);
        Forget(name);
    }
    // A file that the program will make in the folder, to be removed with it.
    void Forget(const std::string& name) { files_.push_back(name); }

    // Starts dodavirid.exe with `arguments` in its folder and waits until its window is shown and past its
    // first idle step (which disables Play, so that a template-enabled button is never taken for a compile's).
    // A program started again replaces the one before, which must have ended.
    bool Start(const std::string& arguments = "");

    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    std::vector<ListRow> Rows() const;

    // Characters posted to a field, as typed. Typing re-arms the program's idle step, which a text set from
    // another process does not.
    void Type(int id, const std::string& text)
    {
        for (unsigned char c : text)
            PostMessageA(Item(id), WM_CHAR, c, 1);
    }
    // A field's text set directly.
    void Set(int id, const std::string& text) { SendMessageA(Item(id), WM_SETTEXT, 0, LPARAM(text.c_str())); }
    // Clicks Compile, and returns once the compile has ended and its rows are shown. A message through the
    // program's loop follows, as the mouse's would, to let its idle step apply the new button states.
    void ClickCompile() { SendMessageA(Item(IDC_COMPILE), BM_CLICK, 0, 0), PostMessageA(window_, WM_NULL, 0, 0); }
    // A key press sent to the program's active window, as from the keyboard.
    void Press(BYTE key);

    // The exit code once the process has ended, or -1 when it has not within ten seconds.
    int ExitCode() const;

private:
    void End();  // the program started last, ended if it still runs

    std::string folder_;
    bool ownFolder_ = false;
    std::vector<std::string> files_;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
};
