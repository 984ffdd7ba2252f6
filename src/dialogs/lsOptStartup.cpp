// The options dialog's Startup registration: a shortcut to the program in the user's Startup folder, and
// its removal.
#include "lsOpt.h"

#include "Application.h"
#include "CommandLine.h"
#include "Errors.h"
#include "Handles.h"
#include "PlaceDialog.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "StartupRules.h"
#include "SysCtrls.h"
#include "WinText.h"
#include "lsCommonUi.h"
#include "lsRegStartUp.h"

#include <windows.h>

#include <string>
#include <vector>

namespace lodestar {

namespace {

const char* const kNoStartupFolder = "スタートアップフォルダのパス取得に失敗しました";
const char* const kNoShortcutOfOurs =
    "現在スタートアップフォルダには、このプログラムによって作成されたショートカットは無いようです";
const char* const kLinkDescription = "Created by Lode Star mark-R";

std::string StartupFolder() {
    std::string folder = TShellLink::SpecialFolderPath(TShellLinkType::lnkStartup);
    if (folder.empty()) throw EProgramError(kNoStartupFolder);
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

// The names of the files in the folder (not its subfolders), in the order the system lists them.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const UniqueFind search(::FindFirstFileW(Widen(folder + "*.*").c_str(), &found));
    if (!search) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(found.cFileName));
    } while (::FindNextFileW(search.Get(), &found));
    return names;
}

} // namespace

void TForm2::btnRegStartUpClick() {
    TFormRegStartUp ask;
    ask.SetPlacement([this](HWND dialog) { PlaceDialog(Handle(), dialog); });
    const std::optional<int> seconds = ask.AskDelay();
    if (!seconds) return;

    const std::string folder = StartupFolder();
    const std::string program = Application::ExeName();
    std::string older;
    for (const std::string& name : FilesIn(folder)) {
        const TLinkInfo link = ReadLinkInfo(folder + name, false);
        if (!link.Target.empty() && SamePath(link.Target, program)) older = name;
    }

    TShellLink ShLink1(nullptr);
    ShLink1.LinkType = TShellLinkType::lnkStartup;
    ShLink1.Arguments = StartupDelayArgument(*seconds);
    ShLink1.Description = kLinkDescription;
    ShLink1.SetFileName(program);
    ShLink1.WorkDir = ExtractFilePath(program);
    // The new shortcut is written before the older one goes: a failure leaves the program registered.
    const std::string written = ShLink1.CreateLink();
    if (!older.empty() && !SameFile(folder + older, written, false) &&
        !::DeleteFileW(Widen(folder + older).c_str()))
        throw EProgramError("既存のショートカットの削除に失敗しました");

    Seams().MessageBox(Handle(),
                       "登録を完了しました。\r"
                       "アンインストールをする場合には[スタートアップから削除]ボタンを利用してください。",
                       "登録完了 - " + Application::Title(), MB_OK | MB_ICONINFORMATION);
}

void TForm2::btnUnregStartUpClick() {
    const std::string folder = StartupFolder();
    const std::vector<std::string> files = FilesIn(folder);
    if (files.empty()) throw EProgramError(kNoShortcutOfOurs);
    const std::string program = Application::ExeName();
    std::vector<std::string> ours;
    for (const std::string& name : files) {
        const TLinkInfo link = ReadLinkInfo(folder + name, false);
        if (!link.Target.empty() && SameFile(link.Target, program, true)) ours.push_back(name);
    }
    if (ours.empty()) throw EProgramError(kNoShortcutOfOurs);

    const int answer = Seams().MessageBox(
        Handle(),
        "このプログラムによって作成された以下のショートカットファイルを削除します。\r\r" +
            RemovalListText(ours),
        "スタートアップから削除 - " + Application::Title(), MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer != IDOK) return;
    for (const std::string& name : ours)
        if (!::DeleteFileW(Widen(folder + name).c_str()))
            ShowErrorBox("'" + folder.substr(0, folder.size() - 1) + "\\" + name + "'は削除できません。",
                         MB_ICONERROR);
    Seams().MessageBox(Handle(), "スタートアップからの削除を完了しました。", "完了 - " + Application::Title(),
                       MB_OK | MB_ICONINFORMATION);
}

} // namespace lodestar
