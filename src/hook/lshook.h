// What the hook library and the programs that load it agree on: the request message, the shared block
// and the exported functions. Plain Win32 only: this header is also compiled into the library, which runs
// inside the shell's process.
#pragma once

#include <windows.h>

namespace lodestar::hook {

// Posted to the notification area: wParam (and lParam) 1 lets it accept dropped files, 0 stops that.
constexpr UINT WM_TRAYACCEPTFILES = 0x8392;

// The dwData of the WM_COPYDATA that carries the names of files dropped on the notification area to the
// receiver: the names in UTF-16, each ended by a NUL, and one more NUL after the last.
constexpr ULONG_PTR kDroppedFilesData = 0x4C534446; // "LSDF"

constexpr const wchar_t* kLibraryName = L"LSHOOK.DLL";
constexpr const wchar_t* kSharedBlockName = L"Memory Mapped File for Lodestar-R";

// The block every copy of the library sees, 32-bit and 64-bit alike. Window and hook handles are 32-bit
// values on 64-bit Windows too, so they are kept truncated and sign-extended when used.
struct TSharedBlock {
    LONG ReceiverWnd;
    LONG TrayWnd;
    LONG HookHandle;
};
static_assert(sizeof(TSharedBlock) == 12, "the shared block is 12 bytes in every build");

using InstallHookProcFn = HHOOK(WINAPI*)(HWND receiver);
using UninstallHookProcFn = BOOL(WINAPI*)();

} // namespace lodestar::hook
