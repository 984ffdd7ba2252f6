// The main window towards the taskbar: the icons' fixed identifiers, icons added again after the taskbar was
// created anew, the count of icons Windows 11 keeps in the overflow, and hotkeys registered again after
// the computer slept or the session was locked.
#include "lsMain.h"

#include "Application.h"
#include "NotifyIconSettings.h"
#include "Seams.h"
#include "TrayIdentity.h"
#include "lsCommonUi.h"

#include <windows.h>
#include <wtsapi32.h>

#include <exception>
#include <string>

namespace lodestar {

namespace {

// At log-on the taskbar may take a minute or two before it takes icons.
constexpr UINT kTrayRetryInterval = 2000;
constexpr int kTrayRetries = 90;

// The session notifications come from wtsapi32, loaded from the system folder when first needed and kept
// for the program's run: the program links nothing but what every Windows has.
struct TSessionApi {
    BOOL(WINAPI* Register)(HWND, DWORD) = nullptr;
    BOOL(WINAPI* Unregister)(HWND) = nullptr;
};

const TSessionApi& SessionApi() {
    static const TSessionApi api = [] {
        TSessionApi found;
        wchar_t system[MAX_PATH]{};
        const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return found;
        const HMODULE library = ::LoadLibraryW((std::wstring(system) + L"\\wtsapi32.dll").c_str());
        if (!library) return found;
        found.Register = reinterpret_cast<decltype(found.Register)>(
            reinterpret_cast<void*>(::GetProcAddress(library, "WTSRegisterSessionNotification")));
        found.Unregister = reinterpret_cast<decltype(found.Unregister)>(
            reinterpret_cast<void*>(::GetProcAddress(library, "WTSUnRegisterSessionNotification")));
        return found;
    }();
    return api;
}

// The shown group's icons that Windows keeps in the overflow; nullopt where it keeps no records.
std::optional<std::size_t> HiddenItemIcons(const TForm1& form) {
    std::vector<std::uint32_t> ids;
    for (TIconItem* item : form.IconItems())
        if (item->Registered()) ids.push_back(item->IconID());
    if (ids.empty()) return std::nullopt;
    return HiddenIconCount(Application::ExeName(), ids);
}

std::string HiddenIconsCaption(std::size_t hidden) {
    return "隠れているアイコン: " + std::to_string(hidden) + " 個 - 表示方法(&H)...";
}

std::string HiddenIconsText(std::size_t hidden) {
    return "タスク バーに表示されていない Lodestar のアイコンが " + std::to_string(hidden) +
           " 個あります。\r"
           "Windows 11 は新しい通知領域アイコンを、タスク バーの「隠れているインジケーターを表示」(^) "
           "の中に置きます。\r\r"
           "タスク バーに表示するには、設定 → 個人用設定 → タスク バー → その他のシステム トレイ アイコン "
           "を開き、Lodestar のアイコンをオンにしてください。\r\r"
           "[OK] を押すと、タスク バーの設定を開きます。";
}

} // namespace

void TForm1::CreateTrayEntries(TMenuItem* root) {
    miHiddenIcons = root->Add("", [this](TMenuItem* s) { miHiddenIconsClick(s); });
    miHiddenIcons->SetName("miHiddenIcons");
    miHiddenIcons->Visible = false;
    // Read as the menu opens (pmMainPopup): the user may have turned icons on or off in Settings meanwhile.
}

void TForm1::UpdateHiddenIcons() {
    const std::optional<std::size_t> hidden = HiddenItemIcons(*this);
    miHiddenIcons->Visible = hidden.value_or(0) > 0;
    if (miHiddenIcons->Visible) miHiddenIcons->Caption = HiddenIconsCaption(*hidden);
}

void TForm1::miHiddenIconsClick(TMenuItem*) {
    TInactiveWhile inactive(*this);
    const std::size_t hidden = HiddenItemIcons(*this).value_or(0);
    if (Seams().MessageBox(Application::Handle(), HiddenIconsText(hidden), Application::Title(),
                           MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND) != IDOK)
        return;
    if (!NotifyIconSeams().OpenSettingsPage(kTaskbarSettingsPage))
        ShowErrorBox("タスク バーの設定を開けませんでした。\r"
                     "設定 → 個人用設定 → タスク バー から開いてください。",
                     MB_ICONEXCLAMATION);
}

bool TForm1::ReAddTrayIcons(bool missingOnly) {
    // Every icon is tried, whichever fails before it.
    bool refused = false;
    std::vector<TIconTray*> icons{MainIcon};
    for (TIconItem* item : IconItems())
        icons.push_back(item);
    for (TIconTray* icon : icons) {
        if (missingOnly && (!icon->Icon() || icon->Registered())) continue;
        try {
            icon->ReAdd();
        } catch (const EIconTrayError&) {
            refused = true;
        }
    }
    return refused;
}

void TForm1::ReAddIcons() {
    if (ReAddTrayIcons(false)) StartTrayRetry();
}

void TForm1::ShowInTray(const std::function<void()>& show) {
    try {
        show();
    } catch (const EIconTrayError&) {
        StartTrayRetry();
    }
}

void TForm1::StartTrayRetry() {
    trayRetries_ = 0;
    if (trayRetrying_) return;
    trayRetrying_ = true;
    ::SetTimer(Handle(), kTrayRetryTimer, kTrayRetryInterval, nullptr);
}

void TForm1::RetryTrayIcons() {
    if (!trayRetrying_) return;
    const bool missing = ReAddTrayIcons(true);
    if (missing && ++trayRetries_ < kTrayRetries) return;
    ::KillTimer(Handle(), kTrayRetryTimer);
    trayRetrying_ = false;
    if (missing)
        ShowErrorBox("タスク バーの通知領域にアイコンを追加できません。\r"
                     "タスク バーが作り直されたとき (エクスプローラーの再起動など) に、もう一度追加します。",
                     MB_ICONEXCLAMATION);
}

void TForm1::RestoreHotKeys() {
    for (TIconItem* item : IconItems())
        item->RenewHotKey();
}

void TForm1::WatchSession(bool watch) noexcept {
    const TSessionApi& api = SessionApi();
    if (watch && api.Register)
        api.Register(Handle(), NOTIFY_FOR_THIS_SESSION);
    else if (!watch && api.Unregister)
        api.Unregister(Handle());
}

std::optional<LRESULT> TForm1::SessionMessage(UINT message, WPARAM wParam, LPARAM) {
    // The system may drop hotkey registrations while the computer sleeps or the session is locked.
    switch (message) {
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) RestoreHotKeys();
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        if (wParam == WTS_SESSION_UNLOCK) RestoreHotKeys();
        return 0;
    default:
        return std::nullopt;
    }
}

} // namespace lodestar
