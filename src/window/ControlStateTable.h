// Enabled and checked states that handlers want for a window's controls, recorded at once and applied when
// the message loop next runs dry. A handler can so change a button several times, and only the last state
// reaches the screen, once.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

class ControlStateTable {
public:
    // One entry for each control identifier, in this order; each starts enabled, unchecked and unchanged.
    explicit ControlStateTable(std::initializer_list<int> controlIds);

    // Record a pending state; identifiers that the table does not hold are ignored.
    void SetControlEnabled(int id, bool enabled);
    void SetControlChecked(int id, bool checked);
    // A window in which the controls are looked up by identifier.
    void AddContainer(HWND window) { containers_.push_back(window); }
    // Applies the changed entries to their controls; returns false (an idle handler's result).
    bool ApplyControlStates();

private:
    struct Entry {
        int id;
        bool enabled = true;
        bool checked = false;
        bool changed = false;
    };

    Entry* Find(int id);
    // Records `value` as the pending `state` of the control `id`, marking the entry only when it differs.
    void SetPending(int id, bool Entry::*state, bool value);

    std::vector<Entry> entries_;
    std::vector<HWND> containers_;
    bool changed_ = false;
};
