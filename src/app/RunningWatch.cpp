#include "RunningWatch.h"

#include "RunningCheck.h"
#include "ShellHelpers.h"
#include "SysCtrls.h"
#include "WinText.h"

#include <algorithm>

namespace lodestar {

namespace {

// The one watch that receives the events: they carry no context of their own.
TRunningWatch* g_eventWatch = nullptr;

} // namespace

std::string ProgramKey(std::string_view path) {
    std::wstring wide = Widen(path);
    if (!wide.empty()) ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Narrow(wide);
}

TRunningWatch::TRunningWatch(HWND window, TItems items) : window_(window), items_(std::move(items)) {}

TRunningWatch::~TRunningWatch() {
    Stop();
}

void TRunningWatch::Stop() {
    if (g_eventWatch == this) g_eventWatch = nullptr;
    hook_.Reset();
    ::KillTimer(window_, kRunningCheckTimer);
    ::KillTimer(window_, kRunningPollTimer);
    pending_ = false;
    anyMarked_ = false;
    awaited_.clear();
    processes_.clear();
    programs_.clear();
    markingWindows_.clear();
}

void TRunningWatch::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled) {
        Stop();
        for (TIconItem* item : items_()) {
            try {
                item->SetRunning(false);
            } catch (const EIconTrayError&) {
                // The icon keeps its unmarked picture; the tray gets it when it takes icons again.
            }
        }
        return;
    }
    // Window events of other processes only: the program's own windows never mark an item.
    hook_.Reset(::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE, nullptr, EventProc, 0, 0,
                                  WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
    if (hook_) g_eventWatch = this;
    UpdatePolling();
    Schedule();
}

void CALLBACK TRunningWatch::ExitProc(void* window, BOOLEAN) noexcept {
    ::PostMessageW(static_cast<HWND>(window), WM_RUNNINGEXITED, 0, 0);
}

void CALLBACK TRunningWatch::EventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                       DWORD, DWORD) noexcept {
    if (object != OBJID_WINDOW || child != CHILDID_SELF || !window || !g_eventWatch) return;
    try {
        g_eventWatch->Event(event, window);
    } catch (...) {
        // A missed event costs at most a late mark; the next one looks again.
    }
}

void TRunningWatch::Event(DWORD event, HWND window) {
    if (event != EVENT_OBJECT_CREATE && !changesAnnounced_) {
        changesAnnounced_ = true;
        UpdatePolling();
    }
    if (event == EVENT_OBJECT_HIDE || event == EVENT_OBJECT_DESTROY) {
        if (markingWindows_.count(window)) Schedule();
        return;
    }
    // Created or shown: only a top-level window can make a program count as running.
    if (::GetAncestor(window, GA_PARENT) != ::GetDesktopWindow()) return;
    DWORD pid = 0;
    if (!::GetWindowThreadProcessId(window, &pid)) return;
    const std::string* key = ProcessKey(pid);
    if (!key) return;
    // Nothing changes unless the program is an item's that is not marked yet (the items' programs of the
    // last look; a look is due anyway after items changed).
    bool running = false;
    if (!KnownProgram(*key, running)) return;
    const bool visible = ::IsWindowVisible(window);
    if (running) {
        if (visible) markingWindows_.insert(window);
        return;
    }
    if (!visible) awaited_.emplace(window, ::GetTickCount64());
    Schedule();
}

bool TRunningWatch::KnownProgram(const std::string& key, bool& running) const {
    const auto found = programs_.find(key);
    if (found == programs_.end()) return false;
    running = found->second;
    return true;
}

void TRunningWatch::Schedule() {
    if (!enabled_ || pending_) return;
    pending_ = true;
    ::SetTimer(window_, kRunningCheckTimer, kRunningCheckDelay, nullptr);
}

void TRunningWatch::UpdatePolling() {
    // Without events, or without news of windows that go, a mark could outlive its program's windows.
    if (enabled_ && (!hook_ || (anyMarked_ && !changesAnnounced_)))
        ::SetTimer(window_, kRunningPollTimer, kRunningPollInterval, nullptr);
    else
        ::KillTimer(window_, kRunningPollTimer);
}

std::optional<LRESULT> TRunningWatch::WindowMessage(UINT message, WPARAM wParam) {
    if (message == WM_RUNNINGEXITED) {
        Schedule();
        return 0;
    }
    if (message != WM_TIMER || (wParam != kRunningCheckTimer && wParam != kRunningPollTimer))
        return std::nullopt;
    if (wParam == kRunningCheckTimer) {
        ::KillTimer(window_, kRunningCheckTimer);
        pending_ = false;
    }
    if (enabled_ && !pending_) Check();
    return 0;
}

const std::string* TRunningWatch::ProcessKey(DWORD pid) {
    if (const auto known = processes_.find(pid); known != processes_.end()) return &known->second.Key;
    TProcess process;
    process.Handle.Reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process.Handle) process.Handle.Reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process.Handle) return nullptr;
    const std::string path = ProcessImagePath(process.Handle.Get());
    if (path.empty()) return nullptr;
    process.Key = ProgramKey(LongPathName(path));
    return &processes_.emplace(pid, std::move(process)).first->second.Key;
}

void TRunningWatch::Check() {
    ++checks_;
    const std::vector<TIconItem*> items = items_();
    std::map<std::string, bool> programs;
    for (TIconItem* item : items) {
        const std::string& program = item->Program();
        if (program.empty()) continue;
        programs.emplace(ProgramKey(program), false);
    }

    const std::vector<HWND> windows = TopLevelWindows();
    const DWORD self = ::GetCurrentProcessId();
    std::set<DWORD> seen, marking;
    markingWindows_.clear();
    for (HWND window : windows) {
        DWORD pid = 0;
        if (!::GetWindowThreadProcessId(window, &pid) || pid == self) continue;
        seen.insert(pid);
        if (!::IsWindowVisible(window)) continue;
        const std::string* key = ProcessKey(pid);
        if (!key) continue;
        if (const auto found = programs.find(*key); found != programs.end()) {
            found->second = true;
            markingWindows_.insert(window);
            marking.insert(pid);
        }
    }
    // Processes without a window are forgotten: their ids may be reused once they end.
    std::erase_if(processes_, [&seen](const auto& entry) { return !seen.count(entry.first); });
    for (auto& [pid, process] : processes_) {
        if (!marking.count(pid)) {
            process.ExitWait.Reset();
        } else if (!process.ExitWait && process.Handle) {
            HANDLE wait = nullptr;
            if (::RegisterWaitForSingleObject(&wait, process.Handle.Get(), ExitProc, window_, INFINITE,
                                              WT_EXECUTEONLYONCE))
                process.ExitWait.Reset(wait);
        }
    }
    // New windows still hidden are looked at again shortly, for a while.
    const ULONGLONG now = ::GetTickCount64();
    std::erase_if(awaited_, [now](const auto& entry) {
        return !::IsWindow(entry.first) || ::IsWindowVisible(entry.first) ||
               now - entry.second > kRunningShowWait;
    });

    for (TIconItem* item : items) {
        const std::string& program = item->Program();
        const bool running = !program.empty() && programs[ProgramKey(program)];
        try {
            item->SetRunning(running);
        } catch (const EIconTrayError&) {
            // The icon keeps the new picture; the tray gets it when it takes icons again.
        }
    }
    anyMarked_ = !marking.empty();
    programs_ = std::move(programs);
    UpdatePolling();
    if (!awaited_.empty()) Schedule();
}

} // namespace lodestar
