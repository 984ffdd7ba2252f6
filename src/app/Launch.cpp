#include "Launch.h"

#include "AppSettings.h"
#include "BringForward.h"
#include "CommandLine.h"
#include "ExecChain.h"
#include "IconItem.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "WinText.h"
#include "lsCommonUi.h"
#include "lsMain.h"

#include <shellapi.h>

namespace lodestar {

namespace {

constexpr INT_PTR kNoAssociation = SE_ERR_NOASSOC;

std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return Narrow(text);
}

int ShowCommand(const TIconItem& item, bool byHotKey) {
    if (!byHotKey && Seams().AsyncKeyDown(VK_SHIFT)) return SW_SHOWMINNOACTIVE;
    switch (item.WndSize) {
    case 1:
        return SW_SHOWMINNOACTIVE;
    case 2:
        return SW_SHOWMAXIMIZED;
    default:
        return SW_SHOWNORMAL;
    }
}

void Report(const TLaunchReport& report) {
    switch (report.Kind) {
    case TLaunchReport::TKind::Box:
        ShowErrorBox(report.Text, report.Flags);
        break;
    case TLaunchReport::TKind::Beep:
        Seams().Beep(0);
        break;
    case TLaunchReport::TKind::None:
        break;
    }
}

} // namespace

TLaunchReport LaunchReport(INT_PTR code, const std::string& cmd, int notifyNotFound) {
    using K = TLaunchReport::TKind;
    const std::string s = "'" + cmd + "' を実行できませんでした。\r";
    const auto notFound = [&](std::string text) -> TLaunchReport {
        switch (notifyNotFound) {
        case 0:
            return {K::Box, std::move(text), MB_ICONEXCLAMATION};
        case 1:
            return {K::Beep, {}, 0};
        default:
            return {};
        }
    };
    switch (code) {
    case 0:
        return {K::Box, "メモリまたはシステムリソースが不足しています。", MB_ICONSTOP};
    case SE_ERR_FNF:
        return notFound("ファイル '" + cmd +
                        "' "
                        "が見つかりませんでした。\rファイル名が正しいか、またはファイルが存在するかどうか確認"
                        "して下さい。");
    case SE_ERR_PNF:
        return notFound(s + "指定されたパスが見つかりません。");
    case ERROR_BAD_FORMAT:
        return {K::Box, s + SystemMessage(ERROR_BAD_FORMAT), MB_ICONSTOP};
    case SE_ERR_SHARE:
        return {K::Box, "共有違反により " + s, MB_ICONSTOP};
    case SE_ERR_ASSOCINCOMPLETE:
        return {K::Box, s + "ファイル名の関連付けが不完全か無効です。", MB_ICONSTOP};
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
        return {K::Box, "DDEエラーにより " + s, MB_ICONSTOP};
    case kNoAssociation:
        return {K::Box, s + "指定されたファイル名拡張子には､ アプリケーションが関連付けられていません。",
                MB_ICONEXCLAMATION};
    default:
        return {};
    }
}

void LaunchItem(TForm1& form, TIconItem& item, bool byHotKey) {
    TInactiveWhile inactive(form);
    if (!byHotKey && Seams().AsyncKeyDown(VK_MENU)) {
        ShowItemProperties(item, form.Handle());
        return;
    }
    // A running copy comes forward instead of a second start; Shift+click starts one all the same. The
    // chain belongs to a start, so it does not run either.
    if (item.BringForward && (byHotKey || !Seams().AsyncKeyDown(VK_SHIFT))) {
        TItemData target;
        target.Cmd = item.Cmd;
        target.IDList = item.IDList;
        if (BringItemForward(target)) return;
    }
    TCmd cmd = SplitCommandLine(item.Cmd);
    // Users write programs and folders as Windows does, through the environment (%USERPROFILE%\...).
    cmd.Path = ExpandEnvironment(cmd.Path);
    const std::string defDir = ExpandEnvironment(item.DefDir);

    std::string folder;
    if (defDir.empty()) {
        if (FileExists(cmd.Path)) folder = ExtractFilePath(cmd.Path);
    } else if (!FolderExists(defDir)) {
        ShowErrorBox("作業フォルダに設定された '" + item.DefDir +
                         "' フォルダは無効です。存在するフォルダのパスを正しく入力して下さい。",
                     MB_ICONEXCLAMATION);
        // The item editor lets the user correct the folder at once.
        form.pmItems->PopupComponent = &item;
        form.miEditThisIcoClick(nullptr);
        return;
    } else {
        folder = defDir;
    }
    const int show = ShowCommand(item, byHotKey);

    const std::wstring file = Widen(cmd.Path);
    const std::wstring params = Widen(cmd.Params);
    const std::wstring directory = Widen(folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Only with a list to give: some shells refuse the ID-list mask without one (invalid parameter).
    info.fMask = SEE_MASK_FLAG_NO_UI | (item.IDList.Present() ? SEE_MASK_IDLIST : 0);
    if (!item.Children.empty()) info.fMask |= SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = form.Handle();
    info.lpFile = file.c_str();
    info.lpParameters = params.c_str();
    info.lpDirectory = folder.empty() ? nullptr : directory.c_str();
    info.nShow = show;
    info.lpIDList =
        item.IDList.Present() ? const_cast<void*>(static_cast<const void*>(item.IDList.Data())) : nullptr;
    ::ShellExecuteExW(&info);
    const auto code = reinterpret_cast<INT_PTR>(info.hInstApp);
    // The process handle is only ours to close when the shell started a process for us.
    UniqueKernelHandle process(info.fMask & SEE_MASK_NOCLOSEPROCESS ? info.hProcess : nullptr);

    const int notify = ProgramSettings().NotifyNotFound;
    // Files of a type nothing is associated with go to the command for files of unknown type.
    if (code != kNoAssociation || !OpenAsUnknownType(cmd.Path, folder, show))
        Report(LaunchReport(code, item.Cmd, notify));

    if (!item.Children.empty())
        TThExecChain::Start(item.Children, static_cast<std::uint8_t>(notify), std::move(process),
                            Seams().Beep);
}

void ShowItemProperties(const TIconItem& item, HWND owner) {
    const std::wstring file =
        item.IDList.Present() ? std::wstring() : Widen(ExpandEnvironment(SplitCommandLine(item.Cmd).Path));
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = owner;
    info.lpVerb = L"properties";
    info.lpFile = file.c_str();
    info.lpIDList =
        item.IDList.Present() ? const_cast<void*>(static_cast<const void*>(item.IDList.Data())) : nullptr;
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&info);
}

} // namespace lodestar
