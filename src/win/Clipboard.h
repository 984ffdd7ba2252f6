// The clipboard held open for the time of one copy or paste: closed again however the work ends.
#pragma once

#include "Handles.h"
#include "WinError.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace lodestar {

class TClipboardGuard {
public:
    // Opens the clipboard for `owner` (the window that then owns what is put on it); EWindowsError when
    // another program holds it.
    explicit TClipboardGuard(HWND owner) {
        if (!::OpenClipboard(owner)) throw EWindowsError();
    }
    TClipboardGuard(const TClipboardGuard&) = delete;
    TClipboardGuard& operator=(const TClipboardGuard&) = delete;
    ~TClipboardGuard() { ::CloseClipboard(); }

    void Empty() {
        if (!::EmptyClipboard()) throw EWindowsError();
    }
    // Puts a copy of the bytes on the clipboard under a private format (CF_PRIVATEFIRST .. CF_PRIVATELAST),
    // in a movable, shareable, zero-filled block of their size. The system never frees blocks of these
    // formats: the returned block is the caller's to free once the clipboard has been emptied
    // (WM_DESTROYCLIPBOARD), and not before.
    HGLOBAL SetPrivateData(UINT format, std::span<const std::uint8_t> bytes) {
        UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, bytes.size()));
        if (!block) throw EWindowsError();
        void* memory = ::GlobalLock(block.Get());
        if (!memory) throw EWindowsError();
        if (!bytes.empty()) std::memcpy(memory, bytes.data(), bytes.size());
        ::GlobalUnlock(block.Get());
        if (!::SetClipboardData(format, block.Get())) throw EWindowsError();
        return block.Release();
    }
    // A copy of the whole block of a format; none when the clipboard holds no data of it. The block may
    // be longer than what was put there: the system rounds its size up.
    std::optional<std::vector<std::uint8_t>> Data(UINT format) const {
        const HANDLE handle = ::GetClipboardData(format);
        if (!handle) return std::nullopt;
        const SIZE_T size = ::GlobalSize(handle);
        const void* memory = ::GlobalLock(handle);
        if (!memory) return std::nullopt;
        const auto* first = static_cast<const std::uint8_t*>(memory);
        std::vector<std::uint8_t> bytes(first, first + size);
        ::GlobalUnlock(handle);
        return bytes;
    }
};

} // namespace lodestar
