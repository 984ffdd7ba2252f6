// Drags as the Windows tests make them: rows of a list view dragged by mouse messages on the thread of the
// dialog that holds it, shell objects dragged onto a registered drop target, and the files they carry.
#pragma once

#include "CidaBlock.h"
#include "DialogThread.h"
#include "ItemData.h"
#include "TestDataObject.h"
#include "WinTestSupport.h"
#include "WinText.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace lodestar::test {

// The left button pressed at `start` in the list's client area, the mouse moved to `end` (also outside the
// list: the drag holds the capture) and released there. Returns whether a drag picture showed before the
// release. With `beforeRelease`, that runs first (Escape, a lost capture).
inline bool PostRowDrag(HWND list, POINT start, POINT end, const TOnDialogThread& runner,
                        const std::function<void()>& beforeRelease = {}) {
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
    ::PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(start.x + 2, start.y + 8));
    ::PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((start.x + end.x) / 2, (start.y + end.y) / 2));
    ::PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(end.x, end.y));
    runner.Flush();
    bool shown = false;
    runner.Run([&] { shown = ::ImageList_GetDragImage(nullptr, nullptr) != nullptr; });
    if (beforeRelease) beforeRelease();
    ::PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(end.x, end.y));
    ::PostMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(end.x, end.y));
    runner.Flush();
    return shown;
}

// The point on a row's name in the list's client area.
inline POINT RowPoint(HWND list, int row) {
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return {rect.left + 30, (rect.top + rect.bottom) / 2};
}

// A point of another window in the list's client area.
inline POINT PointIn(HWND list, HWND other, POINT otherClient) {
    ::MapWindowPoints(other, list, &otherClient, 1);
    return otherClient;
}

// A shell drag over the drop target registered on `window`: enter at the client point, move there, and
// drop; the effects the source allows. The effects the target answered at enter, over and drop.
struct TShellDrag {
    DWORD Enter = 0;
    DWORD Over = 0;
    DWORD Drop = 0;
};
inline TShellDrag ShellDropAt(HWND window, POINT client, IDataObject& data, const TOnDialogThread& runner,
                              DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_LINK,
                              const std::function<void()>& whileOver = {}) {
    TShellDrag result;
    ::ClientToScreen(window, &client);
    const POINTL at{client.x, client.y};
    runner.Run([&] {
        auto* target = static_cast<IDropTarget*>(::GetPropW(window, L"OleDropTargetInterface"));
        ASSERT_TRUE(target) << "the window is no drop target";
        DWORD effect = allowed;
        target->DragEnter(&data, MK_LBUTTON, at, &effect);
        result.Enter = effect;
        effect = allowed;
        target->DragOver(MK_LBUTTON, at, &effect);
        result.Over = effect;
        if (whileOver) whileOver();
        effect = allowed;
        target->Drop(&data, 0, at, &effect);
        result.Drop = effect;
    });
    return result;
}

// Objects as a folder window drags them: the desktop as parent, each object's own absolute list.
void OfferObjects(TTestData& data, const std::vector<IdList>& objects) {
    std::vector<std::vector<std::uint8_t>> lists{{0, 0}};
    for (const IdList& object : objects) {
        EXPECT_TRUE(object) << "the shell knows no such object";
        lists.emplace_back(object.Bytes().begin(), object.Bytes().end());
    }
    data.Set(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"Shell IDList Array")), BuildCida(lists));
}

// Files of the prefix the drops carry: two documents, one with a space in its name, and a shortcut to
// notepad with a working folder. (Wine reads every shortcut's show command as normal, so the window size
// it carries cannot be told apart here.)
struct TFiles {
    std::string Folder;
    std::string Memo;
    std::string Notes;
    std::string Shortcut;
    std::string Notepad;

    TFiles() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        Folder = LongOf(Narrow(temp));
        if (!Folder.empty() && Folder.back() == '\\') Folder.pop_back();
        Folder += "\\ドロップ" + std::to_string(::GetCurrentProcessId());
        std::filesystem::create_directories(std::filesystem::path(Widen(Folder)));
        Memo = Folder + "\\memo.txt";
        Notes = Folder + "\\my notes.txt";
        Shortcut = Folder + "\\メモ帳.lnk";
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        Notepad = Narrow(system) + "\\notepad.exe";
        WriteBytes(Memo, "memo");
        WriteBytes(Notes, "notes");
        TShortcut link;
        link.Target = Notepad;
        link.WorkDir = Folder;
        WriteShortcut(Shortcut, link);
    }
    ~TFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(Widen(Folder)), ignored);
    }
};

} // namespace lodestar::test
