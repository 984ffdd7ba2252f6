// The live C++ allocations of lodestar_counted.exe, as its shared section holds them (AllocCounter.cpp),
// and, on request, what the process's heaps hold: every heap of the process, the system's included.
#pragma once

#include <windows.h>

#include <string>

namespace lodestar::bench {

struct TLiveAllocations {
    volatile LONG64 Blocks;
    volatile LONG64 Bytes;
    // Written when the heap walk event is set, before the walked event is: the busy blocks and bytes of
    // all the process's heaps.
    volatile LONG64 HeapBlocks;
    volatile LONG64 HeapBytes;
};

inline constexpr const wchar_t* kLiveAllocationsPrefix = L"Local\\LodestarLiveAllocations-";
inline constexpr const wchar_t* kHeapWalkPrefix = L"Local\\LodestarHeapWalk-";
inline constexpr const wchar_t* kHeapWalkedPrefix = L"Local\\LodestarHeapWalked-";

inline std::wstring LiveAllocationsName(DWORD pid) {
    return kLiveAllocationsPrefix + std::to_wstring(pid);
}

} // namespace lodestar::bench
