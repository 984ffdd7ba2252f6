#include "Controls.h"

#include "Application.h"
#include "Errors.h"
#include "HotKey.h"
#include "ItemRules.h"
#include "WinError.h"
#include "WinText.h"

#include <algorithm>
#include <cwchar>

namespace lodestar {

void InitControlClasses() {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&classes);
}

namespace {
// How many guards hold a window's redrawing, kept with the window itself.
constexpr const wchar_t* kRedrawLocks = L"Lodestar.RedrawLocks";
} // namespace

TUpdateGuard::TUpdateGuard(HWND window) : window_(window) {
    if (!window_) return;
    const auto locks = reinterpret_cast<std::intptr_t>(::GetPropW(window_, kRedrawLocks));
    if (locks == 0) ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    ::SetPropW(window_, kRedrawLocks, reinterpret_cast<HANDLE>(locks + 1));
}

TUpdateGuard::~TUpdateGuard() {
    if (!window_ || !::IsWindow(window_)) return;
    const auto locks = reinterpret_cast<std::intptr_t>(::GetPropW(window_, kRedrawLocks));
    if (locks > 1) {
        ::SetPropW(window_, kRedrawLocks, reinterpret_cast<HANDLE>(locks - 1));
        return;
    }
    ::RemovePropW(window_, kRedrawLocks);
    ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// Track bar.

void TTrackBar::SetRange(int minimum, int maximum) {
    ::SendMessageW(handle_, TBM_SETRANGEMIN, FALSE, minimum);
    ::SendMessageW(handle_, TBM_SETRANGEMAX, TRUE, maximum);
}

int TTrackBar::Min() const {
    return static_cast<int>(::SendMessageW(handle_, TBM_GETRANGEMIN, 0, 0));
}
int TTrackBar::Max() const {
    return static_cast<int>(::SendMessageW(handle_, TBM_GETRANGEMAX, 0, 0));
}
int TTrackBar::Position() const {
    return static_cast<int>(::SendMessageW(handle_, TBM_GETPOS, 0, 0));
}
void TTrackBar::SetPosition(int position) {
    ::SendMessageW(handle_, TBM_SETPOS, TRUE, position);
}
void TTrackBar::SetPageSize(int size) {
    ::SendMessageW(handle_, TBM_SETPAGESIZE, 0, size);
}
void TTrackBar::SetLineSize(int size) {
    ::SendMessageW(handle_, TBM_SETLINESIZE, 0, size);
}
void TTrackBar::SetTickFrequency(int frequency) {
    ::SendMessageW(handle_, TBM_SETTICFREQ, frequency, 0);
}

// Up-down.

void TUpDown::SetBuddy(HWND edit) {
    ::SendMessageW(handle_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
}
HWND TUpDown::Buddy() const {
    return reinterpret_cast<HWND>(::SendMessageW(handle_, UDM_GETBUDDY, 0, 0));
}

void TUpDown::SetRange(int minimum, int maximum) {
    ::SendMessageW(handle_, UDM_SETRANGE32, minimum, maximum);
}

int TUpDown::Position() const {
    int minimum = 0;
    int maximum = 0;
    ::SendMessageW(handle_, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&minimum),
                   reinterpret_cast<LPARAM>(&maximum));
    if (minimum > maximum) std::swap(minimum, maximum);
    // The control's own reading of the buddy differs between systems for text out of range or not a
    // number; this one is the same everywhere.
    int value = 0;
    bool fromBuddy = false;
    if (const HWND buddy = Buddy()) {
        const std::wstring text = Widen(WindowText(buddy));
        wchar_t* end = nullptr;
        const long long parsed = std::wcstoll(text.c_str(), &end, 10);
        if (!text.empty() && end && *end == L'\0') {
            value = static_cast<int>(std::clamp<long long>(parsed, minimum, maximum));
            fromBuddy = true;
        }
    }
    if (!fromBuddy) {
        BOOL error = FALSE;
        value = static_cast<int>(::SendMessageW(handle_, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
    }
    return std::clamp(value, minimum, maximum);
}

void TUpDown::SetPosition(int position) {
    int minimum = 0;
    int maximum = 0;
    ::SendMessageW(handle_, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&minimum),
                   reinterpret_cast<LPARAM>(&maximum));
    if (minimum > maximum) std::swap(minimum, maximum);
    position = std::clamp(position, minimum, maximum);
    ::SendMessageW(handle_, UDM_SETPOS32, 0, position);
    // Without UDS_SETBUDDYINT the control leaves the buddy alone.
    if (const HWND buddy = Buddy()) SetWindowTextUtf8(buddy, std::to_string(position));
}

// Hotkey.

namespace {
// Combinations the rule refuses, and what replaces their modifiers.
constexpr WPARAM kSingleModifierCombinations = HKCOMB_NONE | HKCOMB_S | HKCOMB_C | HKCOMB_A;
constexpr const wchar_t* kRequireModifiers = L"Lodestar.RequireModifiers";
} // namespace

std::uint16_t THotKeyControl::Value() const {
    const auto value = static_cast<unsigned>(::SendMessageW(handle_, HKM_GETHOTKEY, 0, 0)) & 0xFFFFu;
    // A value without a key (modifiers held while nothing else is) is none.
    const std::uint16_t shortcut = (value & 0xFFu) ? HotkeyToShortCut(static_cast<std::uint16_t>(value)) : 0;
    return RequireModifiers() ? WithHotKeyModifiers(shortcut) : shortcut;
}

void THotKeyControl::SetValue(std::uint16_t shortcut) {
    ::SendMessageW(handle_, HKM_SETHOTKEY, HotKeyControlFromShortcut(shortcut), 0);
}

void THotKeyControl::SetRequireModifiers(bool on) {
    if (on) {
        ::SendMessageW(handle_, HKM_SETRULES, kSingleModifierCombinations,
                       MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        ::SetPropW(handle_, kRequireModifiers, reinterpret_cast<HANDLE>(1));
    } else {
        ::SendMessageW(handle_, HKM_SETRULES, 0, 0);
        ::RemovePropW(handle_, kRequireModifiers);
    }
}

bool THotKeyControl::RequireModifiers() const {
    return ::GetPropW(handle_, kRequireModifiers) != nullptr;
}

// Combo box.

int TComboBox::Add(std::string_view text) {
    const LRESULT index =
        ::SendMessageW(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    if (index < 0) throw EProgramError("コンボボックスに項目を追加できません。");
    return static_cast<int>(index);
}

void TComboBox::Clear() {
    ::SendMessageW(handle_, CB_RESETCONTENT, 0, 0);
}
int TComboBox::Count() const {
    return static_cast<int>(::SendMessageW(handle_, CB_GETCOUNT, 0, 0));
}

std::string TComboBox::Item(int index) const {
    const LRESULT length = ::SendMessageW(handle_, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(handle_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return Narrow(text);
}

int TComboBox::ItemIndex() const {
    return static_cast<int>(::SendMessageW(handle_, CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index) {
    ::SendMessageW(handle_, CB_SETCURSEL, index >= 0 && index < Count() ? index : -1, 0);
}

std::string TComboBox::Text() const {
    return WindowText(handle_);
}

// Tab control.

int TTabControl::Add(std::string_view caption) {
    std::wstring text = Widen(caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    const LRESULT index = ::SendMessageW(handle_, TCM_INSERTITEMW, Count(), reinterpret_cast<LPARAM>(&item));
    if (index < 0) throw EProgramError("タブを追加できません。");
    return static_cast<int>(index);
}

int TTabControl::Count() const {
    return static_cast<int>(::SendMessageW(handle_, TCM_GETITEMCOUNT, 0, 0));
}

std::string TTabControl::Caption(int index) const {
    wchar_t buffer[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 256;
    if (!::SendMessageW(handle_, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item))) return {};
    return Narrow(item.pszText ? item.pszText : L"");
}

int TTabControl::Selected() const {
    return static_cast<int>(::SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
}
void TTabControl::SetSelected(int index) {
    ::SendMessageW(handle_, TCM_SETCURSEL, index, 0);
}

RECT TTabControl::DisplayRect() const {
    RECT rect{};
    ::GetWindowRect(handle_, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
    ::SendMessageW(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

// Page control.

TPageControl::TPageControl(TDialog& owner, int tabId) : owner_(owner), tabId_(tabId) {
    owner_.OnNotify(tabId_, TCN_SELCHANGING, [this](NMHDR&) -> LRESULT {
        // TRUE keeps the tab: so does a handler that throws (the dialog then answers 0, which lets the tab
        // go, so the answer is made here).
        if (!OnChanging || active_ < 0) return FALSE;
        bool allowed = false;
        try {
            allowed = OnChanging(active_);
        } catch (...) {
            Application::HandleException(std::current_exception());
        }
        return allowed ? FALSE : TRUE;
    });
    owner_.OnNotify(tabId_, TCN_SELCHANGE, [this](NMHDR&) -> LRESULT {
        Show(TTabControl(Tab()).Selected());
        if (OnChange) OnChange(active_);
        return 0;
    });
}

HWND TPageControl::Tab() const {
    const HWND tab = owner_.Handle() ? ::GetDlgItem(owner_.Handle(), tabId_) : nullptr;
    if (!tab) throw EProgramError("ページのタブがありません。");
    return tab;
}

void TPageControl::AddPage(TDialog& page, std::string caption) {
    pages_.push_back(TPage{&page, std::move(caption)});
}

void TPageControl::Open(int index) {
    const HWND tab = Tab();
    // The pages lie over the tab control: it must not paint over them.
    ::SetWindowLongPtrW(tab, GWL_STYLE, ::GetWindowLongPtrW(tab, GWL_STYLE) | WS_CLIPSIBLINGS);
    TTabControl tabs(tab);
    for (const TPage& page : pages_) {
        tabs.Add(page.Caption);
        const HWND window =
            page.Page->Handle() ? page.Page->Handle() : page.Page->CreatePage(owner_.Handle());
        // Right after the tab control in the tab order, so that Tab moves from the tabs into the page.
        ::SetWindowPos(window, tab, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Realign();
    SetActivePage(index);
}

int TPageControl::ActivePage() const {
    return active_;
}

void TPageControl::SetActivePage(int index) {
    if (index < 0 || index >= PageCount()) return;
    TTabControl(Tab()).SetSelected(index);
    Show(index);
}

void TPageControl::Show(int index) {
    if (index < 0 || index >= PageCount()) return;
    active_ = index;
    for (int i = 0; i < PageCount(); ++i) {
        const HWND window = Page(i).Handle();
        if (window && i != index) ::ShowWindow(window, SW_HIDE);
    }
    if (const HWND window = Page(index).Handle()) ::ShowWindow(window, SW_SHOW);
}

void TPageControl::Realign() {
    const RECT area = TTabControl(Tab()).DisplayRect();
    for (const TPage& page : pages_)
        if (const HWND window = page.Page->Handle())
            ::SetWindowPos(window, nullptr, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Hints.

THints::THints(HWND owner)
    : owner_(owner),
      tip_(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr)) {
    if (!tip_) throw EWindowsError();
}

void THints::Set(HWND control, std::string_view text) {
    std::wstring wide = Widen(text);
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner_;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    // Without a buffer: the query would copy the tool's present text into it.
    const bool known = ::SendMessageW(tip_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.lpszText = wide.data();
    if (text.empty()) {
        if (known) ::SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    } else if (known) {
        ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    } else if (!::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info))) {
        throw EProgramError("ヒントを設定できません。");
    }
}

std::string THints::Text(HWND control) const {
    wchar_t buffer[1024] = {};
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = owner_;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = buffer;
    // TTM_GETTEXTW copies at most 80 characters unless told the buffer's size (comctl32 6).
    ::SendMessageW(tip_, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&info));
    return Narrow(buffer);
}

} // namespace lodestar
