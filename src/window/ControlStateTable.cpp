// Deferred control states.
#include "ControlStateTable.h"

ControlStateTable::ControlStateTable(std::initializer_list<int> controlIds)
{
    for (int id : controlIds)
        entries_.push_back(Entry{id});
}

ControlStateTable::Entry* ControlStateTable::Find(int id)
{
    for (Entry& entry : entries_) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

void ControlStateTable::SetControlEnabled(int id, bool enabled)
{
    SetPending(id, &Entry::enabled, enabled);
}

void ControlStateTable::SetControlChecked(int id, bool checked)
{
    SetPending(id, &Entry::checked, checked);
}

void ControlStateTable::SetPending(int id, bool Entry::*state, bool value)
{
    Entry* entry = Find(id);
    if (!entry)
        return;
    if (entry->*state != value) {
        entry->*state = value;
        entry->changed = true;
    }
    // An entry still marked from an earlier request keeps the table marked: its state must still be applied.
    if (entry->changed)
        changed_ = true;
}

bool ControlStateTable::ApplyControlStates()
{
    if (!changed_)
        return false;
    for (Entry& entry : entries_) {
        if (!entry.changed)
            continue;
        // Only marked entries are applied, so a control that the user changed since (a radio button) keeps
        // what the user chose.
        for (HWND container : containers_) {
            HWND control = GetDlgItem(container, entry.id);
            if (!control)
                continue;
            EnableWindow(control, entry.enabled);
            SendMessageA(control, BM_SETCHECK, entry.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        entry.changed = false;
    }
    changed_ = false;
    return false;
}
