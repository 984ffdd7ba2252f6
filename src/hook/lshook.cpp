// The tray drop hook library. It is loaded into the shell's process and runs on the taskbar's thread, so
// it uses nothing but Win32: no exceptions, no run-time library objects, nothing that could throw.
#include "lshook.h"

#include <shellapi.h>

using namespace lodestar::hook;

namespace {

HMODULE libraryModule = nullptr;
HANDLE blockMapping = nullptr;
TSharedBlock* block = nullptr;

HWND WindowOf(LONG value) {
    return static_cast<HWND>(LongToHandle(value));
}
HHOOK HookOf(LONG value) {
    return static_cast<HHOOK>(LongToHandle(value));
}

void OpenBlock() {
    blockMapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(TSharedBlock), kSharedBlockName);
    // The loader reads this value once the library is loaded: ERROR_ALREADY_EXISTS tells it that another
    // process holds the block. Mapping the view must not overwrite it.
    const DWORD created = ::GetLastError();
    if (blockMapping) {
        block = static_cast<TSharedBlock*>(
            ::MapViewOfFile(blockMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(TSharedBlock)));
    }
    if (blockMapping && !block) {
        ::CloseHandle(blockMapping);
        blockMapping = nullptr;
        return;
    }
    ::SetLastError(created);
}

void CloseBlock() {
    if (block) ::UnmapViewOfFile(block);
    if (blockMapping) ::CloseHandle(blockMapping);
    block = nullptr;
    blockMapping = nullptr;
}

void SetAcceptFiles(HWND window, bool accept) {
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    const LONG_PTR wanted =
        accept ? (style | WS_EX_ACCEPTFILES) : (style & ~static_cast<LONG_PTR>(WS_EX_ACCEPTFILES));
    if (wanted != style) ::SetWindowLongPtrW(window, GWL_EXSTYLE, wanted);
}

// The drop's handle is memory of the shell's process and means nothing in another one: the names are read
// here and go to the receiver as a copy. The handle is then given back, as the window it was meant for
// would have done.
void ForwardDrop(HWND receiver, HDROP drop) {
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    SIZE_T chars = 1;
    for (UINT i = 0; i < count; ++i)
        chars += ::DragQueryFileW(drop, i, nullptr, 0) + 1;
    auto* names =
        count ? static_cast<wchar_t*>(::HeapAlloc(::GetProcessHeap(), 0, chars * sizeof(wchar_t))) : nullptr;
    if (names) {
        SIZE_T at = 0;
        for (UINT i = 0; i < count && at < chars - 1; ++i)
            at += ::DragQueryFileW(drop, i, names + at, static_cast<UINT>(chars - 1 - at)) + 1;
        names[at < chars ? at : chars - 1] = L'\0';
        COPYDATASTRUCT data{kDroppedFilesData, static_cast<DWORD>((at + 1) * sizeof(wchar_t)), names};
        DWORD_PTR answer = 0;
        // The receiver takes a copy and answers at once; a hung receiver must not hold up the taskbar.
        ::SendMessageTimeoutW(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                              5000, &answer);
        ::HeapFree(::GetProcessHeap(), 0, names);
    }
    ::DragFinish(drop);
}

BOOL CALLBACK SetChildAcceptFiles(HWND window, LPARAM accept) {
    SetAcceptFiles(window, accept != 0);
    return TRUE;
}

LRESULT CALLBACK GetMsgProc(int code, WPARAM removal, LPARAM lParam) {
    const TSharedBlock* shared = block;
    if (shared && code >= 0 && lParam) {
        MSG& msg = *reinterpret_cast<MSG*>(lParam);
        const HWND area = shared->TrayWnd != 0 ? WindowOf(shared->TrayWnd) : nullptr;
        if (area && msg.hwnd == area && msg.message == WM_TRAYACCEPTFILES) {
            // A drop goes to the window under the pointer, and on Windows 10 that is one of the area's
            // children (the icons' toolbar, the clock, a button), never the area itself. The area's own bit
            // changes last: the loader reads it as the sign that the request was handled.
            ::EnumChildWindows(area, SetChildAcceptFiles, msg.wParam != 0);
            SetAcceptFiles(area, msg.wParam != 0);
        } else if (area && msg.message == WM_DROPFILES && removal == PM_REMOVE &&
                   (msg.hwnd == area || ::IsChild(area, msg.hwnd))) {
            // A thread that peeks before it gets shows the hook each message twice; forwarding both would
            // register every dropped file twice. The window gets nothing: its drop is taken.
            ForwardDrop(WindowOf(shared->ReceiverWnd), reinterpret_cast<HDROP>(msg.wParam));
            msg.message = WM_NULL;
        }
    }
    return ::CallNextHookEx(shared ? HookOf(shared->HookHandle) : nullptr, code, removal, lParam);
}

} // namespace

extern "C" {

HHOOK WINAPI InstallHookProc(HWND receiver) {
    if (!block) return nullptr;
    block->ReceiverWnd = 0;
    block->TrayWnd = 0;
    block->HookHandle = 0;
    block->ReceiverWnd = HandleToLong(receiver);
    const HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    const HWND area = taskbar ? ::FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr) : nullptr;
    block->TrayWnd = HandleToLong(area);
    const DWORD thread = area ? ::GetWindowThreadProcessId(area, nullptr) : 0;
    if (!receiver || !area || !thread) return nullptr;
    const HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, GetMsgProc, libraryModule, thread);
    block->HookHandle = HandleToLong(hook);
    return hook;
}

BOOL WINAPI UninstallHookProc() {
    if (!block) return FALSE;
    return ::UnhookWindowsHookEx(HookOf(block->HookHandle));
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        libraryModule = instance;
        OpenBlock();
        break;
    case DLL_PROCESS_DETACH:
        CloseBlock();
        break;
    default:
        break;
    }
    return TRUE;
}

} // extern "C"
