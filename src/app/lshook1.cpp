#include "lshook1.h"

#include "Application.h"
#include "Handles.h"
#include "WinText.h"
#include "lsCommonUi.h"
#include "lshook.h"

#include <exception>
#include <string>

namespace lodestar {

namespace {

struct THookLibrary {
    UniqueModule Library;
    hook::InstallHookProcFn InstallHookProc = nullptr;
    hook::UninstallHookProcFn UninstallHookProc = nullptr;

    void Forget() {
        InstallHookProc = nullptr;
        UninstallHookProc = nullptr;
        Library.Reset();
    }
};

THookLibrary& Loaded() {
    static THookLibrary loaded;
    return loaded;
}

std::string WithLibraryName(const char* format) {
    const std::string name = Narrow(hook::kLibraryName);
    std::string text = format;
    return text.replace(text.find("%s"), 2, name);
}

template <typename Fn> Fn Export(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

// The area's thread clears the accept-files bit when its hook retrieves the disable request. The hook sees
// a posted message only when the thread takes it from its queue, which may be after the hook is gone if
// the hook is removed at once; the bit would then stay set for good. The bit itself is the one thing that
// proves the request was handled, and it can be read from any process. A hung taskbar must not hang the
// program, so the wait is bounded.
void WaitUntilAreaRefusesFiles() {
    constexpr ULONGLONG kLongestWait = 2000;
    const HWND area = FindTrayNotifyWnd();
    if (!area) return;
    const ULONGLONG deadline = ::GetTickCount64() + kLongestWait;
    while (::IsWindow(area) && (::GetWindowLongPtrW(area, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) &&
           ::GetTickCount64() < deadline)
        ::Sleep(5);
}

// The block outlives our own unloading while the shell keeps the library after the hook is removed (Wine
// keeps it; Windows unloads it only later): every enabling after the first would otherwise report a
// conflict, and the main window enables again after each of its commands.
// Only a receiver that is a live window of another process is one; a block left by this process or by one
// that has ended is overwritten by the installation.
bool BlockHeldByAnotherProcess() {
    const UniqueKernelHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, hook::kSharedBlockName));
    if (!mapping) return true;
    const UniqueView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(hook::TSharedBlock)));
    if (!view) return true;
    const auto& block = *static_cast<const hook::TSharedBlock*>(view.Get());
    const HWND receiver = static_cast<HWND>(LongToHandle(block.ReceiverWnd));
    DWORD owner = 0;
    return receiver && ::IsWindow(receiver) && ::GetWindowThreadProcessId(receiver, &owner) &&
           owner != ::GetCurrentProcessId();
}

} // namespace

std::string HookLibraryPath() {
    const std::string program = Application::ExeName();
    const std::size_t folderEnd = program.find_last_of("\\/");
    // Without the program's own folder there is no place to load it from.
    if (folderEnd == std::string::npos) return {};
    return program.substr(0, folderEnd + 1) + Narrow(hook::kLibraryName);
}

bool HookLoaded() {
    return static_cast<bool>(Loaded().Library);
}

void InstallHook(HWND receiver) {
    THookLibrary& loaded = Loaded();
    if (loaded.Library) throw EHookFailure("フックは既にインストールされています");
    // The library reports through the last-error value that its shared block already existed; nothing
    // earlier may leave a stale value there.
    ::SetLastError(ERROR_SUCCESS);
    const std::string path = HookLibraryPath();
    loaded.Library.Reset(path.empty() ? nullptr : ::LoadLibraryW(Widen(path).c_str()));
    const DWORD loadError = ::GetLastError();
    if (!loaded.Library)
        throw EHookFailure(WithLibraryName(
            "%s が見つかりません.\rタスクトレイへの直接のドラッグ＆ドロップを有効にできませんでした"));
    loaded.InstallHookProc = Export<hook::InstallHookProcFn>(loaded.Library.Get(), "InstallHookProc");
    loaded.UninstallHookProc = Export<hook::UninstallHookProcFn>(loaded.Library.Get(), "UninstallHookProc");
    try {
        if (!loaded.InstallHookProc || !loaded.UninstallHookProc)
            throw EHookFailure(WithLibraryName(
                "%s "
                "内に必要な関数が見つかりません."
                "\rDLLファイルが壊れているか、またはバージョンが一致しないようで"
                "す.\r\r解決するには、正しい手順に従ってプログラムを再インストールしてください"));
        if (loadError == ERROR_ALREADY_EXISTS && BlockHeldByAnotherProcess())
            throw EHookFailure(
                "すでにメモリマップドファイルが作成されています."
                "\r他のプロセスによって既にフックがインストールさ"
                "れている可能性があります.\r\r正常な状態に復帰するにはWindowsを再起動させてください");
        if (!loaded.InstallHookProc(receiver)) throw EHookFailure("フックのインストールに失敗しました");
        PostTrayAcceptFiles(true);
    } catch (...) {
        loaded.Forget();
        Application::HandleException(std::current_exception());
    }
}

void UninstallHook() {
    THookLibrary& loaded = Loaded();
    if (!loaded.Library) throw EHookFailure("フックはインストールされていません");
    PostTrayAcceptFiles(false);
    WaitUntilAreaRefusesFiles();
    loaded.UninstallHookProc();
    loaded.Forget();
}

void PostTrayAcceptFiles(bool enable) {
    if (const HWND area = FindTrayNotifyWnd())
        ::PostMessageW(area, hook::WM_TRAYACCEPTFILES, enable ? 1 : 0, enable ? 1 : 0);
}

} // namespace lodestar
