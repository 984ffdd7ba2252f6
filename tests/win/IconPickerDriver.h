// What a driver thread needs beyond DialogDriver.h to work the icon picker: knowing when the keys and
// clicks it posted have been handled, reading and clicking the icon grid, and working the system's file
// dialog that the picker opens.
#pragma once

#include "DialogDriver.h"
#include "IcoGrid.h"
#include "WinText.h"

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <functional>
#include <string>

namespace lodestar::test {

// A window of the dialog's thread that counts the messages posted to it. Messages posted to one thread
// are handled in order, so once a marker posted after some keys has been counted, the keys have been
// handled too, whatever they did.
class TQueueMarker {
public:
    TQueueMarker() {
        WNDCLASSW cls{};
        cls.lpfnWndProc = &TQueueMarker::Procedure;
        cls.hInstance = ::GetModuleHandleW(nullptr);
        cls.lpszClassName = L"LodestarTestQueueMarker";
        ::RegisterClassW(&cls);
        window_ = ::CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance,
                                  nullptr);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    TQueueMarker(const TQueueMarker&) = delete;
    TQueueMarker& operator=(const TQueueMarker&) = delete;
    ~TQueueMarker() { ::DestroyWindow(window_); }

    // From another thread: returns once everything posted to the window's thread before has been handled,
    // or once `dialog` has closed (its thread then no longer runs the dialog's loop).
    void Sync(HWND dialog) {
        const long target = ++posted_;
        ::PostMessageW(window_, WM_APP, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return handled_ >= target || !::IsWindow(dialog); }))
            << "the dialog's thread did not answer";
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            auto* self = reinterpret_cast<TQueueMarker*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self) ++self->handled_;
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::atomic<long> posted_{0};
    std::atomic<long> handled_{0};
};

// The picker's window seen from the driver thread.
class TPickerView {
public:
    TPickerView(HWND dialog, TQueueMarker& marker, int gridId, int editId)
        : dialog_(dialog), marker_(marker), grid_(Control(dialog, gridId)), editId_(editId) {}

    HWND Dialog() const { return dialog_; }
    HWND Grid() const { return grid_; }
    int Current() const { return static_cast<int>(::SendMessageW(grid_, ICOGRID_GETCURRENT, 0, 0)); }
    int Count() const { return static_cast<int>(::SendMessageW(grid_, ICOGRID_GETCOUNT, 0, 0)); }
    int Rows() const { return static_cast<int>(::SendMessageW(grid_, ICOGRID_GETROWS, 0, 0)); }
    int LeftCol() const { return static_cast<int>(::SendMessageW(grid_, ICOGRID_GETLEFTCOL, 0, 0)); }
    int CellSize() const { return static_cast<int>(::SendMessageW(grid_, ICOGRID_GETCELLSIZE, 0, 0)); }
    std::string FileText() const { return TextOf(Control(dialog_, editId_)); }
    bool Open() const { return ::IsWindow(dialog_) && ::IsWindowVisible(dialog_); }

    // Keys pressed while the grid (or the edit) has the focus, through the dialog's message loop.
    void GridKey(UINT key) {
        PressKey(dialog_, ::GetDlgCtrlID(grid_), key);
        marker_.Sync(dialog_);
    }
    void EditKey(UINT key) {
        PressKey(dialog_, editId_, key);
        marker_.Sync(dialog_);
    }
    // Replaces the edit's text the way a user does: select all, then type.
    void TypeFile(const std::string& text) {
        ::SendMessageW(Control(dialog_, editId_), EM_SETSEL, 0, -1);
        if (text.empty())
            Type(dialog_, editId_, "\b");
        else
            Type(dialog_, editId_, text);
    }
    // A click (or a double-click) in the middle of the cell of icon `index`, which must be in view.
    void ClickIcon(int index, bool twice = false) { ClickAt(CellCenter(index), twice); }
    void ClickAt(POINT point, bool twice) {
        const LPARAM at = MAKELPARAM(point.x, point.y);
        ::PostMessageW(grid_, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(grid_, WM_LBUTTONUP, 0, at);
        if (twice) {
            ::PostMessageW(grid_, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            ::PostMessageW(grid_, WM_LBUTTONUP, 0, at);
        }
        marker_.Sync(dialog_);
    }
    POINT CellCenter(int index) const {
        const int rows = Rows();
        const int size = CellSize();
        return {(index / rows - LeftCol()) * size + size / 2, index % rows * size + size / 2};
    }
    void Scroll(WORD request, WORD position = 0) {
        ::PostMessageW(grid_, WM_HSCROLL, MAKEWPARAM(request, position), 0);
        marker_.Sync(dialog_);
    }
    // A button pressed; the press may open a modal window, so the driver does not wait for its end.
    void Press(int id) {
        ::PostMessageW(Control(dialog_, id), BM_CLICK, 0, 0);
        marker_.Sync(dialog_);
    }
    void PressAndLeave(int id) { ::PostMessageW(Control(dialog_, id), BM_CLICK, 0, 0); }
    // Waits until the picker's thread has handled what it was sent so far.
    void Sync() { marker_.Sync(dialog_); }

private:
    HWND dialog_;
    TQueueMarker& marker_;
    HWND grid_;
    int editId_;
};

// The system's file dialog owned by `owner`, once it is visible; null if it does not come.
inline HWND WaitForFileDialog(HWND owner) {
    HWND found = nullptr;
    WaitUntil([&] {
        while ((found = ::FindWindowExW(nullptr, found, L"#32770", nullptr)) != nullptr)
            if (found != owner && ::GetWindow(found, GW_OWNER) == owner && ::IsWindowVisible(found))
                return true;
        return false;
    });
    return found;
}

// The folder the file dialog shows.
inline std::string FileDialogFolder(HWND fileDialog) {
    wchar_t folder[MAX_PATH] = {};
    ::SendMessageW(fileDialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    return Narrow(folder);
}

// Types a file name into the file dialog and confirms it, or cancels it when the name is empty.
inline void ChooseInFileDialog(HWND fileDialog, const std::string& name) {
    if (name.empty()) {
        ::PostMessageW(fileDialog, WM_COMMAND, IDCANCEL, 0);
    } else {
        // The name box is a combo box in newer dialogs, an edit in older ones.
        HWND box = ::GetDlgItem(fileDialog, cmb13);
        if (!box) box = ::GetDlgItem(fileDialog, edt1);
        EXPECT_TRUE(box) << "no file name box";
        ::SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(name).c_str()));
        ::PostMessageW(fileDialog, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(fileDialog); })) << "the file dialog stayed open";
}

} // namespace lodestar::test
