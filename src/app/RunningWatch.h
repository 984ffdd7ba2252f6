// Which items' programs run: an item's icon carries the running mark while a process of its program has
// a visible top-level window. Other programs' windows are followed through the system's window events
// (created, shown, hidden, destroyed) and the end of each process that marks an item through a wait on
// it; each burst is answered by one look at the top-level windows, in which only processes not seen
// before are asked for their executables. Where the system announces new windows only (Wine), a window
// created hidden is looked at again until it shows, and while any mark is shown the windows are looked
// at every second, for a program that closes its windows and stays.
#pragma once

#include "Handles.h"
#include "IconItem.h"

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace lodestar {

// The watch's timers on the main window: the look after a burst of events, and the slow look for where
// the system delivers no window events.
constexpr UINT_PTR kRunningCheckTimer = 3;
constexpr UINT_PTR kRunningPollTimer = 4;
// Events are gathered this long before the windows are looked at.
constexpr UINT kRunningCheckDelay = 200;
constexpr UINT kRunningPollInterval = 1000;
// Posted to the main window from the system's wait thread when a process that marks an item has ended.
constexpr UINT WM_RUNNINGEXITED = WM_APP + 0x110;
// A new top-level window that is not shown yet is looked at again for this long.
constexpr ULONGLONG kRunningShowWait = 5000;

// A path in the form two programs' paths are compared in: upper case, letters of any script folded.
std::string ProgramKey(std::string_view path);

class TRunningWatch {
public:
    using TItems = std::function<std::vector<TIconItem*>()>;
    // `window` gets the watch's timers and hands them to Timer(); `items` lists the items to mark.
    TRunningWatch(HWND window, TItems items);
    ~TRunningWatch();
    TRunningWatch(const TRunningWatch&) = delete;
    TRunningWatch& operator=(const TRunningWatch&) = delete;

    bool Enabled() const { return enabled_; }
    // On: window events are followed (or, when the system refuses them, the windows are looked at every
    // second) and the windows are looked at soon. Off: nothing is followed, and every mark goes at once.
    void SetEnabled(bool enabled);
    // Whether window events are followed (false while off, and while polling).
    bool Hooked() const { return static_cast<bool>(hook_); }
    // A look soon, once the events of the moment have passed: after items were added or changed.
    void Schedule();
    // Looks at the windows now and marks the items; only icons whose state changed are redrawn.
    void Check();
    // The watch's timers and WM_RUNNINGEXITED; nothing for any other message.
    std::optional<LRESULT> WindowMessage(UINT message, WPARAM wParam);
    // Looks done so far (for measuring what the watch costs).
    unsigned Checks() const { return checks_; }

private:
    struct TWinEventHookTraits {
        using Type = HWINEVENTHOOK;
        static HWINEVENTHOOK Invalid() { return nullptr; }
        static void Close(HWINEVENTHOOK hook) { ::UnhookWinEvent(hook); }
    };
    struct TExitWaitTraits {
        using Type = HANDLE;
        static HANDLE Invalid() { return nullptr; }
        // Waits for a callback under way: it only posts a message.
        static void Close(HANDLE wait) { ::UnregisterWaitEx(wait, INVALID_HANDLE_VALUE); }
    };
    struct TProcess {
        // Held open while the process has windows, so that its id is not given to another meanwhile.
        UniqueKernelHandle Handle;
        std::string Key;
        // While the process marks an item: its end posts WM_RUNNINGEXITED. Declared last, so that it goes
        // before the handle it waits on.
        UniqueHandle<TExitWaitTraits> ExitWait;
    };

    static void CALLBACK EventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                   DWORD thread, DWORD time) noexcept;
    // On the system's wait thread: only posts to the window.
    static void CALLBACK ExitProc(void* window, BOOLEAN timedOut) noexcept;
    void Event(DWORD event, HWND window);
    // The executable of the process, as the ProgramKey of its long path; null where the system does not
    // tell it.
    const std::string* ProcessKey(DWORD pid);
    // Whether an item has the program of `key`; `running` tells whether that item carries the mark.
    bool KnownProgram(const std::string& key, bool& running) const;
    void Stop();
    void UpdatePolling();

    HWND window_;
    TItems items_;
    bool enabled_ = false;
    bool pending_ = false;
    unsigned checks_ = 0;
    UniqueHandle<TWinEventHookTraits> hook_;
    std::map<DWORD, TProcess> processes_;
    // The items' programs at the last look (full keys, and file names for bare process names), and
    // whether they ran.
    std::map<std::string, bool> programs_;
    // The windows for which a program counted as running: only their going can take a mark away.
    std::set<HWND> markingWindows_;
    // New top-level windows of items' programs not shown yet, with the time they were announced.
    std::map<HWND, ULONGLONG> awaited_;
    // The system announced a window shown, hidden or destroyed: such changes need no polling.
    bool changesAnnounced_ = false;
    bool anyMarked_ = false;
};

} // namespace lodestar
