#include "lsCommonUi.h"

#include "Application.h"
#include "HotKey.h"
#include "ItemRules.h"
#include "ItemStream.h"
#include "LegacyText.h"
#include "Seams.h"
#include "WinText.h"

#include <algorithm>
#include <map>
#include <vector>

namespace lodestar {

int ShowErrorBox(const std::string& text, UINT flags) {
    return Seams().MessageBox(Application::Handle(), text, "エラー - " + Application::Title(),
                              flags | MB_SETFOREGROUND);
}

bool ConfirmStoredLength(std::string_view text, std::string_view field) {
    if (FitsStoredString(text)) return true;
    const std::string limit = std::to_string(kMaxStoredString);
    Seams().MessageBox(::GetActiveWindow(),
                       std::string(field) + "が長すぎます。保存できるのは " + limit + " バイト (半角 " +
                           limit + " 文字) までです。",
                       {}, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void PlaceNearCursor(HWND window, int margin) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = cursor.x;
    int y = cursor.y;
    const int right = ::GetSystemMetrics(SM_CXMAXIMIZED) - margin;
    const int bottom = ::GetSystemMetrics(SM_CYMAXIMIZED) - margin;
    if (x + width > right) x = right - width;
    if (y + height > bottom) y = bottom - height;
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ClipboardHasItems() {
    return ::IsClipboardFormatAvailable(ITEMLIST_CLIPFORMAT) || ::IsClipboardFormatAvailable(ITEM_CLIPFORMAT);
}

namespace {
HWND clipboardWindow = nullptr;
} // namespace

HWND ClipboardWindow() {
    return clipboardWindow ? clipboardWindow : Application::Handle();
}

void SetClipboardWindow(HWND window) {
    clipboardWindow = window;
}

namespace {
HGLOBAL clipboardBlock = nullptr;
std::vector<std::function<void()>*>& EmptiedHooks() {
    static std::vector<std::function<void()>*> hooks;
    return hooks;
}
} // namespace

void RememberClipboardBlock(HGLOBAL block) {
    if (clipboardBlock && clipboardBlock != block) ::GlobalFree(clipboardBlock);
    clipboardBlock = block;
}

void FreeClipboardBlock() {
    if (clipboardBlock) ::GlobalFree(clipboardBlock);
    clipboardBlock = nullptr;
}

TClipboardEmptiedHook::TClipboardEmptiedHook(std::function<void()> handler) : handler_(std::move(handler)) {
    EmptiedHooks().push_back(&handler_);
}

TClipboardEmptiedHook::~TClipboardEmptiedHook() {
    std::erase(EmptiedHooks(), &handler_);
}

void ClipboardEmptied() {
    // A handler may end its own hook (a dialog closing): the list is walked as a copy.
    const std::vector<std::function<void()>*> hooks = EmptiedHooks();
    for (auto hook = hooks.rbegin(); hook != hooks.rend(); ++hook)
        if (std::find(EmptiedHooks().begin(), EmptiedHooks().end(), *hook) != EmptiedHooks().end() && **hook)
            (**hook)();
}

HWND FindTrayNotifyWnd() {
    const HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    return taskbar ? ::FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr) : nullptr;
}

void UseSystemUIFont(HWND dialog) {
    LOGFONTW iconFont{};
    if (!::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof iconFont, &iconFont, 0)) return;
    if (std::wstring(iconFont.lfFaceName) != L"MS UI Gothic") return;
    const auto current = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW font{};
    if (!current || !::GetObjectW(current, sizeof font, &font)) return;
    wcscpy_s(font.lfFaceName, L"MS UI Gothic");
    // One font per size serves every dialog for the life of the process.
    static std::map<LONG, HFONT> fonts;
    HFONT& uiFont = fonts[font.lfHeight];
    if (!uiFont) uiFont = ::CreateFontIndirectW(&font);
    ::SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont), FALSE);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont), FALSE);
}

namespace {
std::string SystemKeyName(unsigned key) {
    const UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (scan == 0) return {};
    LONG lParam = static_cast<LONG>(scan << 16);
    if (IsExtendedVirtualKey(key)) lParam |= 1 << 24;
    wchar_t name[64] = {};
    const int length = ::GetKeyNameTextW(lParam, name, 64);
    return length > 0 ? Narrow(std::wstring_view(name, static_cast<std::size_t>(length))) : std::string();
}
} // namespace

std::string HotKeyText(std::uint16_t hotKey) {
    return ShortcutText(hotKey, SystemKeyName);
}

} // namespace lodestar
