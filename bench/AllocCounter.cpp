// Linked into lodestar_counted.exe, the program as it ships with every C++ allocation counted: the live
// blocks and their bytes stand in a shared section named after the process, which the soak reads from
// outside. Growth there is the program's own; growth of the process's memory beside it is the system's.
#include "AllocCounter.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in front, kept 16-byte aligned as the run-time's blocks are.
constexpr std::size_t kHeader = 16;

// Made on the first allocation, without allocating: the name is written into a buffer on the stack.
lodestar::bench::TLiveAllocations* Shared() {
    static lodestar::bench::TLiveAllocations* shared = [] {
        wchar_t name[96] = {};
        std::swprintf(name, 96, L"%ls%lu", lodestar::bench::kLiveAllocationsPrefix,
                      static_cast<unsigned long>(::GetCurrentProcessId()));
        // The section lives as long as the process; its handle is never closed.
        const HANDLE section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                    sizeof(lodestar::bench::TLiveAllocations), name);
        void* view = section ? ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
        return static_cast<lodestar::bench::TLiveAllocations*>(view);
    }();
    return shared;
}

void Count(LONG64 blocks, LONG64 bytes) {
    if (auto* shared = Shared()) {
        ::InterlockedExchangeAdd64(&shared->Blocks, blocks);
        ::InterlockedExchangeAdd64(&shared->Bytes, bytes);
    }
}

// Walks every heap of the process each time the soak asks (its event), outside any allocation: the
// thread allocates nothing of its own.
DWORD WINAPI WalkHeapsOnRequest(void*) {
    wchar_t name[96] = {};
    const DWORD pid = ::GetCurrentProcessId();
    std::swprintf(name, 96, L"%ls%lu", lodestar::bench::kHeapWalkPrefix, static_cast<unsigned long>(pid));
    const HANDLE request = ::CreateEventW(nullptr, FALSE, FALSE, name);
    std::swprintf(name, 96, L"%ls%lu", lodestar::bench::kHeapWalkedPrefix, static_cast<unsigned long>(pid));
    const HANDLE walked = ::CreateEventW(nullptr, FALSE, FALSE, name);
    if (!request || !walked) return 0;
    while (::WaitForSingleObject(request, INFINITE) == WAIT_OBJECT_0) {
        HANDLE heaps[64] = {};
        const DWORD count = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
        LONG64 blocks = 0, bytes = 0;
        for (DWORD h = 0; h < count; ++h) {
            if (!::HeapLock(heaps[h])) continue;
            PROCESS_HEAP_ENTRY entry{};
            while (::HeapWalk(heaps[h], &entry)) {
                if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                    ++blocks;
                    bytes += entry.cbData;
                }
            }
            ::HeapUnlock(heaps[h]);
        }
        if (auto* shared = Shared()) {
            shared->HeapBlocks = blocks;
            shared->HeapBytes = bytes;
        }
        ::SetEvent(walked);
    }
    return 0;
}

// Started with the program's static objects, after the loader has let go of its lock.
[[maybe_unused]] const bool kWalkerStarted = [] {
    if (const HANDLE thread = ::CreateThread(nullptr, 0, &WalkHeapsOnRequest, nullptr, 0, nullptr))
        ::CloseHandle(thread);
    return true;
}();

} // namespace

void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    Count(1, static_cast<LONG64>(size));
    return block + kHeader;
}

void operator delete(void* pointer) noexcept {
    if (!pointer) return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    Count(-1, -static_cast<LONG64>(*reinterpret_cast<std::size_t*>(block)));
    std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}
