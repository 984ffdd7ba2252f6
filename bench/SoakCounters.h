// What the soak reads from the program's process: handles, GDI and USER objects, private bytes and
// windows, and the table that compares two readings. Where the system does not answer a counter (Wine
// returns 0 for some), the table says so and, where another source counts the same objects, shows that
// as well, clearly named.
#pragma once

#include "AllocCounter.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace lodestar::bench {

inline DWORD WindowProcess(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

// The process's windows: top-level ones, message-only ones, and the children of either.
struct TWindowCount {
    DWORD Pid = 0;
    long TopLevel = 0;
    long MessageOnly = 0;
    long Child = 0;
};

inline BOOL CALLBACK CountChildWindow(HWND window, LPARAM data) {
    auto& count = *reinterpret_cast<TWindowCount*>(data);
    if (WindowProcess(window) == count.Pid) ++count.Child;
    return TRUE;
}

inline BOOL CALLBACK CountTopLevelWindow(HWND window, LPARAM data) {
    auto& count = *reinterpret_cast<TWindowCount*>(data);
    if (WindowProcess(window) == count.Pid) ++count.TopLevel;
    // A window of another process may hold children of this one (a parent across processes).
    ::EnumChildWindows(window, &CountChildWindow, data);
    return TRUE;
}

inline TWindowCount CountWindows(DWORD pid) {
    TWindowCount count{pid};
    ::EnumWindows(&CountTopLevelWindow, reinterpret_cast<LPARAM>(&count));
    for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
        if (WindowProcess(w) == pid) ++count.MessageOnly;
        ::EnumChildWindows(w, &CountChildWindow, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

inline std::optional<double> Answered(bool ok, double value) {
    if (!ok || value == 0) return std::nullopt;
    return value;
}

// The handle count the system keeps in its process list.
inline std::optional<double> ProcessListHandles(DWORD pid) {
    std::vector<std::uint8_t> buffer(1 << 20);
    ULONG size = 0;
    if (!NT_SUCCESS(::NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                               static_cast<ULONG>(buffer.size()), &size)))
        return std::nullopt;
    for (std::size_t at = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
        if (reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId) == pid && entry->HandleCount)
            return entry->HandleCount;
        if (!entry->NextEntryOffset) return std::nullopt;
        at += entry->NextEntryOffset;
    }
}

// Wine keeps a GDI handle table of its own in every process and names it in the process's PEB, as
// Windows once did: a used entry has a type. The layout is Windows' (24 bytes, the type at offset 14).
inline std::optional<double> GdiTableObjects(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    if (!NT_SUCCESS(
            ::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr)))
        return std::nullopt;
    const std::size_t tableField = sizeof(void*) == 8 ? 0xF8 : 0x94;
    void* table = nullptr;
    if (!::ReadProcessMemory(process,
                             reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress) + tableField, &table,
                             sizeof table, nullptr) ||
        !table)
        return std::nullopt;
    constexpr std::size_t kEntry = 24, kEntries = 0x10000;
    std::vector<std::uint8_t> entries(kEntry * kEntries);
    if (!::ReadProcessMemory(process, table, entries.data(), entries.size(), nullptr)) return std::nullopt;
    double used = 0;
    for (std::size_t i = 0; i < kEntries; ++i)
        if (entries[i * kEntry + 14]) ++used;
    return used;
}

// The committed private memory of the process's address space, region by region: what Windows counts
// as its private bytes. Under Wine this leaves out the memory of Wine's own Unix libraries (the X
// client's, the font configuration's), which Windows keeps in its kernel and never counts there.
inline std::optional<double> CommittedPrivate(HANDLE process) {
    double committed = 0;
    bool any = false;
    MEMORY_BASIC_INFORMATION region{};
    for (const std::uint8_t* at = nullptr;
         ::VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<const std::uint8_t*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
        any = true;
        if (!region.RegionSize) break;
    }
    return Answered(any, committed);
}

// The live C++ blocks and bytes of a counting build (lodestar_counted.exe), and what its heaps hold,
// walked on request; nothing for another program.
inline std::optional<TLiveAllocations> LiveAllocations(DWORD pid) {
    const HANDLE section = ::OpenFileMappingW(FILE_MAP_READ, FALSE, LiveAllocationsName(pid).c_str());
    if (!section) return std::nullopt;
    const HANDLE request =
        ::OpenEventW(EVENT_MODIFY_STATE, FALSE, (kHeapWalkPrefix + std::to_wstring(pid)).c_str());
    const HANDLE walked =
        ::OpenEventW(SYNCHRONIZE, FALSE, (kHeapWalkedPrefix + std::to_wstring(pid)).c_str());
    const bool heapsWalked =
        request && walked && ::SetEvent(request) && ::WaitForSingleObject(walked, 10000) == WAIT_OBJECT_0;
    std::optional<TLiveAllocations> live;
    if (const void* view = ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(TLiveAllocations))) {
        const auto* shared = static_cast<const TLiveAllocations*>(view);
        live = TLiveAllocations{shared->Blocks, shared->Bytes, heapsWalked ? shared->HeapBlocks : 0,
                                heapsWalked ? shared->HeapBytes : 0};
        ::UnmapViewOfFile(view);
    }
    for (const HANDLE h : {request, walked, section})
        if (h) ::CloseHandle(h);
    return live;
}

struct TCounter {
    const char* Name;
    std::optional<double> Value; // nothing: not answered
    bool Shown = true;           // a second source is shown only where the first gives no answer
    bool Judged = true;          // false: shown to tell where memory went, not what the system reports
};

struct TCounters {
    std::vector<TCounter> Values;
    TWindowCount Windows;
};

inline TCounters ReadCounters(HANDLE process, DWORD pid) {
    TCounters c;
    DWORD handles = 0;
    const auto handleCount = Answered(::GetProcessHandleCount(process, &handles) != FALSE, handles);
    const auto gdi = Answered(true, ::GetGuiResources(process, GR_GDIOBJECTS));
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    const bool memoryRead =
        ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) !=
        FALSE;
    const auto privateBytes = Answered(memoryRead, static_cast<double>(memory.PrivateUsage));
    const auto live = LiveAllocations(pid);
    c.Values = {
        {"handles", handleCount},
        {"handles (process list)", ProcessListHandles(pid), !handleCount},
        {"GDI objects", gdi},
        {"GDI objects (table)", gdi ? std::nullopt : GdiTableObjects(process), !gdi},
        {"USER objects", Answered(true, ::GetGuiResources(process, GR_USEROBJECTS))},
        {"private bytes", privateBytes},
        {"committed private", privateBytes ? std::nullopt : CommittedPrivate(process), !privateBytes},
        {"C++ blocks (counted)", live ? std::optional<double>(live->Blocks) : std::nullopt, live.has_value()},
        {"C++ bytes (counted)", live ? std::optional<double>(live->Bytes) : std::nullopt, live.has_value()},
        {"heap blocks (walked)", live ? Answered(true, live->HeapBlocks) : std::nullopt, live.has_value(),
         false},
        {"heap bytes (walked)", live ? Answered(true, live->HeapBytes) : std::nullopt, live.has_value(),
         false},
        {"resident anonymous", Answered(memoryRead, static_cast<double>(memory.PagefileUsage)), !privateBytes,
         false},
    };
    c.Windows = CountWindows(pid);
    return c;
}

// Whether a later reading shows what an earlier one did: every judged counter within half a per cent of
// it (the steps of the committed memory are smaller) and as many windows. A cache is full once two
// readings ten rounds apart agree; a leak keeps them apart.
inline bool Settled(const TCounters& earlier, const TCounters& later) {
    for (std::size_t i = 0; i < earlier.Values.size(); ++i) {
        const TCounter& e = earlier.Values[i];
        const TCounter& l = later.Values[i];
        if (!e.Judged || !e.Value || !l.Value) continue;
        if (*l.Value - *e.Value > *e.Value * 0.005) return false;
    }
    return later.Windows.TopLevel <= earlier.Windows.TopLevel &&
           later.Windows.MessageOnly <= earlier.Windows.MessageOnly &&
           later.Windows.Child <= earlier.Windows.Child;
}

// Prints the table; whether every answered counter stayed within 2 % and no window was added.
inline bool Report(const TCounters& before, const TCounters& after) {
    bool pass = true;
    std::printf("\n%-24s %14s %14s %9s  %s\n", "counter", "before", "after", "growth", "verdict");
    for (std::size_t i = 0; i < before.Values.size(); ++i) {
        const TCounter& b = before.Values[i];
        const TCounter& a = after.Values[i];
        if (!b.Shown && !a.Shown) continue;
        if (!b.Value || !a.Value) {
            std::printf("%-24s %14s %14s %9s  %s\n", b.Name, "-", "-", "-", "Wine does not answer");
            continue;
        }
        const double growth = (*a.Value - *b.Value) / *b.Value * 100;
        const bool ok = growth <= 2.0;
        if (b.Judged) pass = pass && ok;
        std::printf("%-24s %14.0f %14.0f %8.2f%%  %s\n", b.Name, *b.Value, *a.Value, growth,
                    !b.Judged ? "shown only"
                    : ok      ? "ok"
                              : "FAIL: grew by more than 2 %");
    }
    const auto windows = [&](const char* name, long b, long a) {
        const bool ok = a <= b;
        pass = pass && ok;
        std::printf("%-24s %14ld %14ld %9s  %s\n", name, b, a, "", ok ? "ok" : "FAIL: more windows");
    };
    windows("top-level windows", before.Windows.TopLevel, after.Windows.TopLevel);
    windows("message-only windows", before.Windows.MessageOnly, after.Windows.MessageOnly);
    windows("child windows", before.Windows.Child, after.Windows.Child);
    std::printf(
        "(process list: NtQuerySystemInformation's handle count; table: the used entries of the GDI handle\n"
        " table the process's PEB names, icons' bitmaps included; committed private: the committed private\n"
        " regions of the address space, which Windows counts as private bytes; counted: the live blocks and\n"
        " bytes of the program's C++ allocations, where it is the counting build; shown only: the busy "
        "blocks\n"
        " of every heap of the process, the system's DLLs' included (under Wine they grow by the 24 bytes\n"
        " Wine's comctl32 keeps for every text label of a dialog and frees only for icons), and the\n"
        " anonymous resident memory Wine reports as PagefileUsage, its Unix libraries' included)\n");
    return pass;
}

} // namespace lodestar::bench
