// The live C++ allocations of lodestar_counted.exe, as its shared section holds them (AllocCounter.cpp).
#pragma once

#include <windows.h>

#include <string>

namespace lodestar::bench {

struct TLiveAllocations {
    volatile LONG64 Blocks;
    volatile LONG64 Bytes;
};

inline constexpr const wchar_t* kLiveAllocationsPrefix = L"Local\\LodestarLiveAllocations-";

inline std::wstring LiveAllocationsName(DWORD pid) {
    return kLiveAllocationsPrefix + std::to_wstring(pid);
}

} // namespace lodestar::bench
