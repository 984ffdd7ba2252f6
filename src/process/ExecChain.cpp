#include "ExecChain.h"

#include "CommandLine.h"
#include "RunningCheck.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <windows.h>
#include <objbase.h>
#include <process.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <utility>

namespace lodestar {

namespace {

// Extensions of files that an auto-quit entry starts as they are; other documents go through the
// command associated with their extension.
constexpr std::array<std::string_view, 5> kDirectExtensions = {".EXE", ".COM", ".BAT", ".LNK", ".PIF"};

bool IsDirectExtension(std::string_view upperExt) {
    return std::find(kDirectExtensions.begin(), kDirectExtensions.end(), upperExt) != kDirectExtensions.end();
}

int ShowCommand(std::uint8_t wndSize) {
    switch (wndSize) {
    case wsMinimized:
        return SW_SHOWMINNOACTIVE;
    case wsMaximized:
        return SW_SHOWMAXIMIZED;
    default:
        return SW_SHOWNORMAL;
    }
}

// A program that hangs on WM_CLOSE may keep the chain no longer than this; it is left running.
constexpr UINT kCloseTimeoutMs = 5000;

// Closes a window of a process in the list, synchronously: the next window is looked at only once this
// one has dealt with WM_CLOSE, or has failed to within the time.
BOOL CALLBACK CloseIfListed(HWND window, LPARAM param) noexcept {
    const auto& pids = *reinterpret_cast<const std::vector<DWORD>*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != 0 && std::find(pids.begin(), pids.end(), pid) != pids.end()) {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kCloseTimeoutMs,
                              &result);
    }
    return TRUE;
}

const wchar_t* OrNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

} // namespace

TThExecChain::TThExecChain(const std::vector<TChildIcon>& entries, std::uint8_t notifyMode,
                           UniqueKernelHandle parentProcess, TChainBeep beep)
    : Entries(entries), ParentProcess(std::move(parentProcess)), NoParent(!ParentProcess),
      NotifyMode(notifyMode), BeepFn(std::move(beep)) {}

UniqueKernelHandle TThExecChain::Start(const std::vector<TChildIcon>& entries, std::uint8_t notifyMode,
                                       UniqueKernelHandle parentProcess, TChainBeep beep) {
    std::unique_ptr<TThExecChain> chain(
        new TThExecChain(entries, notifyMode, std::move(parentProcess), std::move(beep)));
    unsigned threadId = 0;
    const std::uintptr_t thread = ::_beginthreadex(nullptr, 0, &ThreadEntry, chain.get(), 0, &threadId);
    if (!thread) {
        chain->SignalFailure();
        return {};
    }
    // From here on the thread owns the chain and frees it.
    chain.release();
    return UniqueKernelHandle(reinterpret_cast<HANDLE>(thread));
}

unsigned __stdcall TThExecChain::ThreadEntry(void* param) noexcept {
    std::unique_ptr<TThExecChain> chain(static_cast<TThExecChain*>(param));
    try {
        chain->Execute();
    } catch (...) {
        // Nobody is there to tell: the chain ends as a failed entry would, by beeping or in silence.
        try {
            chain->SignalFailure();
        } catch (...) {
        }
    }
    return 0;
}

void TThExecChain::Execute() {
    // Shell extensions that ShellExecuteEx may call on are COM objects, some of them apartment-bound.
    const ComApartment apartment;
    // The program before the current entry when that is not the parent. Once the first entry has been
    // dealt with, the parent is never the previous program again.
    UniqueKernelHandle previous;
    bool previousIsParent = true;
    for (const TChildIcon& entry : Entries) {
        if (HANDLE waitOn = previousIsParent ? ParentProcess.Get() : previous.Get()) {
            if (entry.WaitMode == wmInputIdle)
                ::WaitForInputIdle(waitOn, INFINITE);
            else if (entry.WaitMode == wmExit)
                ::WaitForSingleObject(waitOn, INFINITE);
        }
        previous.Reset();
        previousIsParent = false;

        DelayWatchingParent(entry.DelayMs);

        if (!NoParent && ParentEnded && entry.AutoQuit) continue;
        if (!MayStart(entry)) continue;
        previous = StartEntry(entry);
    }
    if (!NoParent && !ParentEnded && !AutoQuitPids.empty()) WaitForParentEnd();
}

void TThExecChain::DelayWatchingParent(std::int32_t delayMs) {
    // A negative delay (only a damaged stored value holds one) would otherwise be an endless wait.
    const DWORD delay = delayMs > 0 ? static_cast<DWORD>(delayMs) : 0;
    if (ParentEnded) {
        ::Sleep(delay);
        return;
    }
    const ULONGLONG started = ::GetTickCount64();
    if (ParentProcess && ::WaitForSingleObject(ParentProcess.Get(), delay) == WAIT_TIMEOUT) return;
    // Ended, or no parent at all: from now on delays are plain sleeps.
    ParentHasEnded();
    const ULONGLONG elapsed = ::GetTickCount64() - started;
    if (elapsed < delay) ::Sleep(static_cast<DWORD>(delay - elapsed));
}

void TThExecChain::WaitForParentEnd() {
    ::WaitForSingleObject(ParentProcess.Get(), INFINITE);
    ParentHasEnded();
}

void TThExecChain::ParentHasEnded() {
    ParentEnded = true;
    ParentProcess.Reset();
    CloseAutoQuitPrograms();
}

void TThExecChain::CloseAutoQuitPrograms() {
    if (AutoQuitPids.empty()) return;
    // A program may open a further window while it closes (a question, a second main window): every
    // pass closes what has come up since the one before.
    for (std::size_t pass = 0; pass < AutoQuitPids.size(); ++pass) {
        // Only programs that still run: the identifier of one that has ended may name nothing, and the
        // handle held keeps it from naming anyone else.
        std::vector<DWORD> running;
        for (std::size_t i = 0; i < AutoQuitPids.size(); ++i)
            if (::WaitForSingleObject(AutoQuitProcesses[i].Get(), 0) == WAIT_TIMEOUT)
                running.push_back(AutoQuitPids[i]);
        if (running.empty()) return;
        ::EnumWindows(CloseIfListed, reinterpret_cast<LPARAM>(&running));
    }
}

UniqueKernelHandle TThExecChain::StartEntry(const TChildIcon& entry) {
    // Program and folder may be written through the environment (%USERPROFILE%\Documents), as an item's.
    TCmd cmd = SplitCommandLine(entry.Cmd);
    cmd.Path = ExpandEnvironment(cmd.Path);
    std::string folder;
    if (!entry.DefDir.empty()) {
        folder = ExpandEnvironment(entry.DefDir);
        if (!FolderExists(folder)) {
            // The user named a folder that is gone: worth a beep even when failures are kept quiet.
            Beep(MB_OK);
            return {};
        }
    } else if (FileExists(cmd.Path)) {
        folder = ExtractFilePath(cmd.Path);
    }
    const int show = ShowCommand(entry.WndSize);
    if (!entry.AutoQuit || entry.IDList || FolderExists(cmd.Path))
        return ShellStart(entry, cmd.Path, cmd.Params, folder, show);
    return CreateAutoQuitProcess(cmd.Path, cmd.Params, folder, show);
}

UniqueKernelHandle TThExecChain::ShellStart(const TChildIcon& entry, const std::string& path,
                                            const std::string& params, const std::string& folder, int show) {
    const std::wstring file = Widen(path);
    const std::wstring parameters = Widen(params);
    const std::wstring directory = Widen(folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    // Only with a list: Wine refuses SEE_MASK_IDLIST without one (invalid parameter) instead of taking
    // the file.
    if (entry.IDList) {
        info.fMask |= SEE_MASK_IDLIST;
        info.lpIDList = const_cast<std::uint8_t*>(entry.IDList.Data());
    }
    info.lpFile = OrNull(file);
    info.lpParameters = OrNull(parameters);
    info.lpDirectory = OrNull(directory);
    info.nShow = show;
    const BOOL started = ::ShellExecuteExW(&info);
    UniqueKernelHandle process(info.hProcess);
    if (started) return process;

    if (reinterpret_cast<INT_PTR>(info.hInstApp) != SE_ERR_NOASSOC) {
        SignalFailure();
        return {};
    }
    // A file of a type nobody registered: whatever opens any file ("*", then "Unknown") gets it.
    const std::optional<std::intptr_t> fallback = OpenAsUnknownType(path, folder, show);
    if (!fallback || *fallback <= 32) SignalFailure();
    return {};
}

UniqueKernelHandle TThExecChain::CreateAutoQuitProcess(const std::string& path, const std::string& params,
                                                       const std::string& folder, int show) {
    // A process of our own, not one the shell might hand to an already running program: only then is
    // its identifier the one whose windows are closed with the parent.
    const std::string ext = ExtractFileExt(path);
    std::string line;
    if (IsDirectExtension(UpperAscii(ext))) {
        line = JoinCommandLine(TCmd{path, params});
    } else if (const std::string templ = GetAssociatedCommand(ext); !templ.empty()) {
        line = SubstituteParam(templ, path);
        if (!params.empty()) line += " " + params;
    }
    if (line.empty()) {
        SignalFailure();
        return {};
    }
    std::wstring commandLine = Widen(line);
    const std::wstring directory = Widen(folder);
    // Only the show state: the rest of this program's own start-up information (its standard handles,
    // its hotkey, the shortcut it was started from) is not the child's.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                          nullptr, OrNull(directory), &startup, &created)) {
        SignalFailure();
        return {};
    }
    const UniqueKernelHandle thread(created.hThread);
    UniqueKernelHandle process(created.hProcess);
    // The returned handle goes when the next entry has waited; this one stays for the parent's end.
    // Without it the program is not closed with the parent: better than closing whoever has its
    // identifier by then.
    HANDLE kept = nullptr;
    if (::DuplicateHandle(::GetCurrentProcess(), process.Get(), ::GetCurrentProcess(), &kept,
                          SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0)) {
        AutoQuitProcesses.emplace_back(kept);
        AutoQuitPids.push_back(created.dwProcessId);
    }
    return process;
}

void TThExecChain::SignalFailure() {
    if (NotifyMode <= 1) Beep(MB_OK);
}

void TThExecChain::Beep(UINT type) {
    if (BeepFn)
        BeepFn(type);
    else
        ::MessageBeep(type);
}

} // namespace lodestar
