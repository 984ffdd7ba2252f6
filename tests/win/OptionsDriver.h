// The options dialog as the Windows tests drive it: groups stored before the main window starts, and the
// first page as the driver thread sees and works it.
#pragma once

#include "DamagedGroup.h"
#include "DialogDriver.h"
#include "IconPickerDriver.h"
#include "ItemData.h"
#include "LsReg.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinText.h"
#include "WindowSearch.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace lodestar::test {

inline const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";
inline const std::string kCaption = "管理＆設定 - Lodestar";

using TAllGroups = std::array<TRawValues, kGroupCount>;

inline TAllGroups RawAllGroups() {
    TAllGroups all;
    for (int g = 0; g < kGroupCount; ++g)
        all[static_cast<std::size_t>(g)] = RawGroupValues(g);
    return all;
}

inline std::string Notepad() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder) + "\\notepad.exe";
}

inline std::string Cmd(int n) {
    return "C:\\prog\\tool" + std::to_string(n) + ".exe";
}

inline void StoreGroup(int group, const std::string& name, const std::vector<TItemData>& items) {
    TLsReg reg;
    ASSERT_TRUE(reg.OpenKey(std::string(kGroupsKey) + "\\" + GroupKeyName(group), true));
    reg.WriteString("", name);
    int counter = 1;
    for (const TItemData& item : items)
        reg.WriteItem(ItemValueName(counter++), item);
}

inline std::vector<TItemData> Numbered(int first, int count) {
    std::vector<TItemData> items;
    for (int n = first; n < first + count; ++n)
        items.push_back(Item(Cmd(n)));
    return items;
}

// The open dialog as the driver thread sees it.
class TPage {
public:
    TPage(HWND dialog, TQueueMarker& marker) : dialog_(dialog), marker_(marker) {}

    HWND Dialog() const { return dialog_; }
    HWND Items() const { return FindDescendantById(dialog_, IDC_OPTI_LV1); }
    HWND Groups() const { return FindDescendantById(dialog_, IDC_OPTI_LV2); }

    int Rows(HWND list) const { return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    std::string Caption(HWND list, int row, int column = 0) const {
        wchar_t buffer[260] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 260;
        ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return Narrow(buffer);
    }
    void SetState(HWND list, int row, UINT state, UINT mask) const {
        LVITEMW item{};
        item.state = state;
        item.stateMask = mask;
        ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    void SelectItems(const std::vector<int>& rows) const {
        SetState(Items(), -1, 0, LVIS_SELECTED);
        for (const int row : rows)
            SetState(Items(), row, LVIS_SELECTED, LVIS_SELECTED);
    }
    // As a click on the group's row does it.
    void ShowGroup(int group) const {
        SetState(Groups(), group, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        Sync();
    }
    int ShownGroup() const {
        return static_cast<int>(
            ::SendMessageW(Groups(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    // Rows of the list without an icon, after waiting up to five seconds for the last of them.
    int RowsWithoutIcon(HWND list) const {
        int missing = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            missing = 0;
            for (int row = 0; row < Rows(list); ++row) {
                LVITEMW item{};
                item.mask = LVIF_IMAGE;
                item.iItem = row;
                ::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
                missing += item.iImage < 0;
            }
            if (missing == 0) break;
            ::Sleep(50);
        }
        return missing;
    }
    bool Dimmed(int group) const {
        return (::SendMessageW(Groups(), LVM_GETITEMSTATE, group, LVIS_CUT) & LVIS_CUT) != 0;
    }
    void Key(HWND list, UINT key) const {
        ::PostMessageW(list, WM_KEYDOWN, key, 1);
        ::PostMessageW(list, WM_KEYUP, key, 0xC0000001);
        Sync();
    }
    // F2 on the focused row, the new text typed, Enter; false when no edit started.
    bool Rename(HWND list, int row, const std::string& text) const {
        SetState(list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        Sync();
        Key(list, VK_F2);
        const HWND edit = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
        if (!edit) return false;
        ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
        ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        ::PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
        Sync();
        Sync(); // the box of a refused name comes after the edit
        return true;
    }
    HWND Toolbar() const {
        return FindDescendant(dialog_, [](HWND window) {
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            return std::wstring(name) == TOOLBARCLASSNAMEW &&
                   ::SendMessageW(window, TB_COMMANDTOINDEX, IDC_OPTI_BTNNEW, 0) >= 0;
        });
    }
    bool ButtonEnabled(int id) const { return ::SendMessageW(Toolbar(), TB_ISBUTTONENABLED, id, 0) != 0; }
    // A toolbar button pressed; the command may open a dialog of its own, so it is posted.
    void Press(int id) const {
        ::PostMessageW(::GetParent(Items()), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(Toolbar()));
    }
    void Sync() const { marker_.Sync(dialog_); }
    void Ok() const { ::PostMessageW(dialog_, WM_COMMAND, IDOK, 0); }
    void Cancel() const { ::PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0); }

private:
    HWND dialog_;
    TQueueMarker& marker_;
};

} // namespace lodestar::test
