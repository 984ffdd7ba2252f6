// Thin wrappers over the handles of common controls that a dialog template made: they own nothing (the
// dialog owns its controls) and take and give UTF-8 text. The list view is in ControlsListView.h.
#pragma once

#include "Dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lodestar {

// Registers the common control classes the program's windows use (list view, tab, track bar, tool and
// status bars, tooltips, up-down, hotkey, rebar); once at start-up, before the first dialog.
void InitControlClasses();

// Batches the updates of a window: it is not redrawn while a guard lives and is repainted once when the
// last guard of that window ends. Guards of one window nest.
class TUpdateGuard {
public:
    explicit TUpdateGuard(HWND window);
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;
    ~TUpdateGuard();

private:
    HWND window_;
};

class TTrackBar {
public:
    explicit TTrackBar(HWND handle) : handle_(handle) {}
    HWND Handle() const { return handle_; }
    void SetRange(int minimum, int maximum);
    int Min() const;
    int Max() const;
    int Position() const;
    void SetPosition(int position);
    void SetPageSize(int size);
    void SetLineSize(int size);
    void SetTickFrequency(int frequency);

private:
    HWND handle_;
};

// An up-down control and its buddy edit: the spin edit.
class TUpDown {
public:
    explicit TUpDown(HWND handle) : handle_(handle) {}
    HWND Handle() const { return handle_; }
    void SetBuddy(HWND edit);
    HWND Buddy() const;
    void SetRange(int minimum, int maximum);
    // The value: what the buddy shows when that is a number, held inside the range; else the control's
    // last position.
    int Position() const;
    void SetPosition(int position);

private:
    HWND handle_;
};

// A hotkey control holding one of the program's 16-bit shortcut words (HotKey.h).
class THotKeyControl {
public:
    explicit THotKeyControl(HWND handle) : handle_(handle) {}
    HWND Handle() const { return handle_; }
    // The shortcut the control shows, 0 for none; with required modifiers, as that rule makes it.
    std::uint16_t Value() const;
    void SetValue(std::uint16_t shortcut);
    // The item editor's rule for global hotkeys: a key alone or with a single modifier becomes Ctrl+Alt
    // plus the key, both while the user types and in Value.
    void SetRequireModifiers(bool on);
    bool RequireModifiers() const;

private:
    HWND handle_;
};

// A combo box, in particular a drop-down list.
class TComboBox {
public:
    explicit TComboBox(HWND handle) : handle_(handle) {}
    HWND Handle() const { return handle_; }
    // Appends an entry; returns its index.
    int Add(std::string_view text);
    void Clear();
    int Count() const;
    std::string Item(int index) const;
    // The selected entry, -1 for none.
    int ItemIndex() const;
    // Selects an entry (-1 or an index outside the list: none).
    void SetItemIndex(int index);
    // The text of the edit field (for a drop-down list: of the selected entry).
    std::string Text() const;

private:
    HWND handle_;
};

class TTabControl {
public:
    explicit TTabControl(HWND handle) : handle_(handle) {}
    HWND Handle() const { return handle_; }
    int Add(std::string_view caption);
    int Count() const;
    std::string Caption(int index) const;
    // The selected tab, -1 for none.
    int Selected() const;
    // Selects a tab without telling anyone (no TCN_SELCHANGING or TCN_SELCHANGE).
    void SetSelected(int index);
    // The area that shows a page, in the client coordinates of the control's parent.
    RECT DisplayRect() const;

private:
    HWND handle_;
};

// A page control: a tab control of a dialog and one page per tab. Each page is a dialog of its own
// template (TDialogPage or a class of its own), created as a child of the dialog and laid over the tab's
// display area; the page of the selected tab is shown, the others hidden.
class TPageControl {
public:
    // Binds the tab control's notifications of `owner`: construct with the dialog, before it is shown.
    TPageControl(TDialog& owner, int tabId);
    TPageControl(const TPageControl&) = delete;
    TPageControl& operator=(const TPageControl&) = delete;

    // Adds a page under a tab captioned `caption`, before Open.
    void AddPage(TDialog& page, std::string caption);
    // Makes the tabs and the pages' windows and shows page `index`; from the owner's OnInit.
    void Open(int index = 0);
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TDialog& Page(int index) const { return *pages_.at(static_cast<std::size_t>(index)).Page; }
    // The page shown, -1 before Open.
    int ActivePage() const;
    // Shows a page as the program's choice: no Changing or Change handler runs.
    void SetActivePage(int index);
    // Lays the pages over the display area again, after the dialog changed size.
    void Realign();

    // Before the user leaves page `from`; false keeps that page.
    std::function<bool(int from)> OnChanging;
    // After page `to` has been shown through its tab.
    std::function<void(int to)> OnChange;

private:
    struct TPage {
        TDialog* Page;
        std::string Caption;
    };
    HWND Tab() const;
    void Show(int index);

    TDialog& owner_;
    int tabId_;
    std::vector<TPage> pages_;
    int active_ = -1;
};

// Tooltips ("hints") for the controls of one window: the text shows while the mouse rests on a control.
// The tooltip window belongs to the window it was made for and goes with it.
class THints {
public:
    // Makes the tooltip window for `owner` (a dialog, after its controls exist).
    explicit THints(HWND owner);
    HWND Handle() const { return tip_; }
    // Sets the hint of a control of the owner; an empty text removes it.
    void Set(HWND control, std::string_view text);
    std::string Text(HWND control) const;

private:
    HWND owner_;
    HWND tip_;
};

} // namespace lodestar
