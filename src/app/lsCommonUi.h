// Window, message box and clipboard utilities shared by the main window and the dialogs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lodestar {

// A message box owned by the application window, caption "エラー - Lodestar", brought to the foreground.
int ShowErrorBox(const std::string& text, UINT flags);
// Whether the store keeps the whole text (FitsStoredString); when not, a warning names the field
// ("コマンドライン", "作業フォルダ", ...) and tells the limit, and the answer is false.
bool ConfirmStoredLength(std::string_view text, std::string_view field);
// Puts the window's top-left corner at the cursor, moved back so that it stays `margin` pixels inside
// the maximised-window area.
void PlaceNearCursor(HWND window, int margin);
// The clipboard offers items (0x0200) or chain entries (0x0201).
bool ClipboardHasItems();
// The window the dialogs open the clipboard for, which then owns what they put there: the main window
// while it exists, else the application window.
HWND ClipboardWindow();
void SetClipboardWindow(HWND window);
// The block the dialogs last put on the clipboard in a private format, which the program must free itself
// once the clipboard is emptied. Remembering a block frees the one remembered before, if any.
void RememberClipboardBlock(HGLOBAL block);
void FreeClipboardBlock();
// Told, while it exists, when the clipboard the program filled is emptied by anyone: the paste buttons of
// the open dialogs then have nothing to paste.
class TClipboardEmptiedHook {
public:
    explicit TClipboardEmptiedHook(std::function<void()> handler);
    TClipboardEmptiedHook(const TClipboardEmptiedHook&) = delete;
    TClipboardEmptiedHook& operator=(const TClipboardEmptiedHook&) = delete;
    ~TClipboardEmptiedHook();

private:
    std::function<void()> handler_;
};
// Tells every hook, newest first.
void ClipboardEmptied();
// The notification area's own window inside the taskbar, or null.
HWND FindTrayNotifyWnd();
// A hotkey (a shortcut word) as the program names it: "Shift+Ctrl+F5", keys without a fixed name by the
// system's keyboard names; empty for none.
std::string HotKeyText(std::uint16_t hotKey);
// The dialogs take the system's "MS UI Gothic" when the system uses it for icon titles.
void UseSystemUIFont(HWND dialog);

} // namespace lodestar
