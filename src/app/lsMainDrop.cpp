// The main window over the notification area: the timer that watches for a drag resting on the area, the
// overlay that shows the area's picture and takes the drop, and the files the area's hook hands over.
#include "lsMain.h"

#include "AppSettings.h"
#include "CommandLine.h"
#include "DropPIDLTarget.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lshook.h"
#include "lshook1.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace lodestar {

void TForm1::SetTrayDrop(bool enabled) {
    if (dropMode_ < 0 || dropMode_ > 2) return;
    timerEnabled_ = dropMode_ == 1 && enabled;
    if (timerEnabled_)
        ::SetTimer(Handle(), kTimer1, static_cast<UINT>(ProgramSettings().Interval), nullptr);
    else
        ::KillTimer(Handle(), kTimer1);
    if (dropMode_ == 2 && enabled) {
        if (!HookLoaded()) InstallHook(Handle());
    } else if (HookLoaded()) {
        UninstallHook();
    }
}

void TForm1::Timer1Timer() {
    if (!Seams().AsyncKeyDown(VK_LBUTTON) && !Seams().AsyncKeyDown(VK_RBUTTON)) {
        if (DragTicks != 0) {
            HideOverlay();
            DragTicks = 0;
        }
        return;
    }
    if (OverlayShown()) return;
    if (DragTicks > 0) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        // The area's own window is never the one under the pointer on Windows 10 (its children cover it)
        // or 11 (the taskbar's content window covers the whole bar): only its rectangle tells.
        const RECT area = TrayAreaRect();
        if (::PtInRect(&area, cursor)) {
            if (NextItemNumber(*MainIcon) > kMaxItemNumber) return;
            ShowOverlay(area);
        }
    }
    ++DragTicks;
}

RECT TForm1::TrayAreaRect() const {
    RECT area{};
    if (const HWND window = FindTrayNotifyWnd();
        window && ::GetWindowRect(window, &area) && !::IsRectEmpty(&area))
        return area;
    area = {};
    std::vector<const TIconTray*> icons{MainIcon};
    for (const TIconItem* item : IconItems())
        icons.push_back(item);
    for (const TIconTray* icon : icons) {
        if (!icon || !icon->Registered()) continue;
        NOTIFYICONIDENTIFIER identifier{};
        identifier.cbSize = sizeof identifier;
        identifier.hWnd = icon->WindowHandle();
        identifier.uID = icon->IconID();
        RECT place{};
        if (SUCCEEDED(::Shell_NotifyIconGetRect(&identifier, &place))) ::UnionRect(&area, &area, &place);
    }
    return area;
}

bool TForm1::OverlayShown() const {
    return ::IsWindowVisible(Handle()) != FALSE;
}

void TForm1::ShowOverlay(const RECT& area) {
    RECT bounds = area;
    ::InflateRect(&bounds, -1, -1);
    const int width = std::max<LONG>(bounds.right - bounds.left, 0);
    const int height = std::max<LONG>(bounds.bottom - bounds.top, 0);
    ::SetWindowPos(Handle(), HWND_TOPMOST, bounds.left, bounds.top, width, height, SWP_NOACTIVATE);
    // The screen, not the area's window: on Windows 11 the area's window is not what the user sees there.
    if (const WindowDC screen(nullptr); screen) {
        UniqueMemoryDC memory(::CreateCompatibleDC(screen.Get()));
        UniqueBitmap picture(::CreateCompatibleBitmap(screen.Get(), width, height));
        if (memory && picture) {
            {
                const SelectedObject selected(memory.Get(), picture.Get());
                ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), bounds.left, bounds.top, SRCCOPY);
            }
            pb1_ = std::move(picture);
            pb1Size_ = {width, height};
        }
    }
    PIDLTarget1->Dragtypes = {dtLink};
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    ::InvalidateRect(Handle(), nullptr, FALSE);
    ::UpdateWindow(Handle());
}

void TForm1::HideOverlay() {
    ::ShowWindow(Handle(), SW_HIDE);
}

void TForm1::FormHide() {
    pb1_.Reset();
    pb1Size_ = {};
}

void TForm1::PaintOverlay() {
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(Handle(), &paint);
    if (pb1_) {
        UniqueMemoryDC memory(::CreateCompatibleDC(dc));
        const SelectedObject selected(memory.Get(), pb1_.Get());
        ::BitBlt(dc, 0, 0, pb1Size_.cx, pb1Size_.cy, memory.Get(), 0, 0, SRCCOPY);
    }
    ::EndPaint(Handle(), &paint);
}

void TForm1::PIDLTarget1Leave() {
    HideOverlay();
}

void TForm1::PIDLTarget1Drop() {
    const int count = PIDLTarget1->PidlCount();
    for (int i = 0; i + 2 <= count; ++i) {
        if (NextItemNumber(*MainIcon) > kMaxItemNumber) {
            PIDLTarget1->Dragtypes = {};
            return;
        }
        const std::string path = PIDLTarget1->Filenames()[i];
        IdList idList;
        if (const UniqueCoTask<ITEMIDLIST> pidl = PIDLTarget1->PidlAt(i + 1)) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(pidl.Get());
            idList = IdList::FromBytes({bytes, IdList::WalkedSize(bytes)}).value_or(IdList());
        }
        TItemData record;
        if (IsFileSystemObject(path, idList)) {
            if (!ProgramSettings().DereferLinks || !ItemFromFile(path, record)) {
                record = TItemData{};
                record.Cmd = QuoteIfSpaced(path);
            }
        } else {
            record.IDList = std::move(idList);
        }
        AddDroppedItem(record);
    }
}

void TForm1::AddDroppedItem(const TItemData& record) {
    // A path the store would cut starts something else after the next start: refused, not stored cut.
    if (!ConfirmStoredLength(record.Cmd, "ドロップされたファイルのパス") ||
        !ConfirmStoredLength(record.DefDir, "ドロップされたショートカットの作業フォルダ") ||
        !ConfirmStoredLength(record.CustomIcon, "ドロップされたショートカットのアイコンのパス"))
        return;
    AddItem(record);
}

void TForm1::DropFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Read whole, however long: a path cut here would name another file.
        std::wstring buffer(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        const UINT length = ::DragQueryFileW(drop, i, buffer.data(), static_cast<UINT>(buffer.size()));
        paths.push_back(
            Narrow(std::wstring_view(buffer.data(), std::min<std::size_t>(length, buffer.size() - 1))));
    }
    ::DragFinish(drop);
    AddDroppedFiles(paths);
}

bool TForm1::ReceiveDroppedNames(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != hook::kDroppedFilesData || !HookLoaded() || !data->lpData) return false;
    const std::wstring_view names(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    std::size_t at = 0;
    while (at < names.size()) {
        const std::size_t end = std::min(names.find(L'\0', at), names.size());
        if (end == at) break;
        droppedNames_.push_back(Narrow(names.substr(at, end - at)));
        at = end + 1;
    }
    ::PostMessageW(Handle(), WM_ADDDROPPED, 0, 0);
    return true;
}

void TForm1::AddDroppedFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (groupIncomplete_) {
        RefuseChange();
        return;
    }
    for (const std::string& path : paths) {
        if (NextItemNumber(*MainIcon) > kMaxItemNumber) break;
        TItemData record;
        if (!FileExists(path) || !ProgramSettings().DereferLinks || !ItemFromFile(path, record)) {
            record = TItemData{};
            record.Cmd = QuoteIfSpaced(path);
        }
        AddDroppedItem(record);
    }
}

} // namespace lodestar
