// lsctl: export, import and inspect Lodestar's stored items and settings from the command line.
#include "ItemRecord.h"
#include "ItemStream.h"
#include "Store.h"
#include "StoreJson.h"
#include "WinError.h"
#include "WinText.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace lodestar;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

const char* const kUsage =
    "使い方: lsctl <コマンド> [引数]\n"
    "\n"
    "Lodestar の設定とアイコン項目 (HKEY_CURRENT_USER\\Software\\Marlowe\\Lodestar) を扱います。\n"
    "\n"
    "コマンド:\n"
    "  export [FILE]        設定と全グループを JSON で書き出します (FILE がなければ標準出力へ)\n"
    "  import [--force] FILE\n"
    "                       JSON を読み込んで設定と全グループを置き換えます\n"
    "  item decode          標準入力の 16 進数 (アイコン項目の保存形式) を JSON で表示します\n"
    "  item encode          標準入力の JSON (アイコン項目) を保存形式の 16 進数で表示します\n"
    "  reset                保存されている設定をすべて消去します (確認はしません)\n"
    "\n"
    "各コマンドの説明: lsctl <コマンド> --help\n";

const char* const kExportHelp =
    "使い方: lsctl export [FILE]\n"
    "\n"
    "設定 (Settings: 実際に使われる値)、ウィンドウの値 (Window: 保存されている値だけ)、\n"
    "10 個のグループ (Groups: 名前とアイコン項目) を JSON で書き出します。\n"
    "FILE を省略すると標準出力に書き出します。\n";

const char* const kImportHelp =
    "使い方: lsctl import [--force] FILE\n"
    "\n"
    "export で書き出した形式の JSON を読み込み、設定と 10 個のグループを書き込みます。\n"
    "書き込む前に文書全体を検査し、誤りがあれば場所を示して何も書き込まずに終了します (終了コード 2)。\n"
    "Lodestar の実行中は、終了時に表示中のグループが書き戻されるため、読み込みを行いません。\n"
    "--force を付けると実行中でも読み込みます。\n";

const char* const kItemHelp =
    "使い方: lsctl item decode | lsctl item encode\n"
    "\n"
    "decode: 標準入力からアイコン項目の保存形式を 16 進数で読み、読み取った内容を JSON で表示します。\n"
    "encode: 標準入力からアイコン項目を JSON で読み、保存形式を 16 進数 (小文字、区切りなし) で表示します。\n"
    "        名前 (Tip) は与えられたとおりに書き込みます。\n";

const char* const kResetHelp =
    "使い方: lsctl reset\n"
    "\n"
    "HKEY_CURRENT_USER\\Software\\Marlowe\\Lodestar をすべて削除します。\n"
    "HKEY_CURRENT_USER\\Software\\Marlowe にほかのキーが残っていなければ、それも削除します。\n"
    "確認はしません。\n";

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h" || a == "/?") return true;
    return false;
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void PrintError(const std::string& text) {
    const std::string line = "lsctl: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string ReadAll(std::FILE* file) {
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    return text;
}

std::FILE* OpenFile(const std::string& path, const wchar_t* mode) {
    return ::_wfopen(Widen(path).c_str(), mode);
}

TStoreDocument ReadDocument() {
    TStoreDocument document;
    document.Settings = ReadSettings();
    document.Window = ReadWindowSettings();
    for (int g = 0; g < kGroupCount; ++g) {
        TStoredGroup& group = document.Groups[static_cast<std::size_t>(g)];
        group.Name = ReadGroupName(g);
        // Records without command and ID list are never shown nor written back by the program.
        for (TItemData& item : ReadGroupItems(g))
            if (IsValidItem(item)) group.Items.push_back(std::move(item));
    }
    return document;
}

void WriteDocument(const TStoreDocument& document) {
    WriteSettings(document.Settings);
    WriteWindowSettings(document.Window);
    TGroups groups;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        groups[g].Name = document.Groups[g].Name;
        groups[g].Items = document.Groups[g].Items;
    }
    SaveOtherGroups(-1, groups);
}

int Export(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Print(kExportHelp), kExitOk;
    if (args.size() > 1) return PrintError("引数が多すぎます\n" + std::string(kExportHelp)), kExitBadInput;
    const std::string text = DocumentToJson(ReadDocument()).dump(2) + "\n";
    if (args.empty()) return Print(text), kExitOk;
    std::FILE* file = OpenFile(args[0], L"wb");
    if (!file) return PrintError("ファイルを作成できません: " + args[0]), kExitFailed;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !ok) return PrintError("ファイルに書き込めません: " + args[0]), kExitFailed;
    return kExitOk;
}

bool LodestarRuns() {
    const HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutex);
    if (!mutex) return false;
    UniqueKernelHandle owner(mutex);
    return true;
}

int Import(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Print(kImportHelp), kExitOk;
    bool force = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--force")
            force = true;
        else
            files.push_back(a);
    }
    if (files.size() != 1)
        return PrintError("FILE を 1 つ指定してください\n" + std::string(kImportHelp)), kExitBadInput;
    std::FILE* file = OpenFile(files[0], L"rb");
    if (!file) return PrintError("ファイルを開けません: " + files[0]), kExitFailed;
    const std::string text = ReadAll(file);
    std::fclose(file);

    TStoreDocument document;
    try {
        document = DocumentFromJson(nlohmann::json::parse(text));
    } catch (const nlohmann::json::parse_error& e) {
        return PrintError(files[0] + ": JSON として読めません (" + std::to_string(e.byte) + " バイト目)"),
               kExitBadInput;
    } catch (const EDocumentError& e) {
        return PrintError(files[0] + ": " + e.what()), kExitBadInput;
    }
    if (LodestarRuns() && !force) {
        return PrintError("Lodestar が実行中です。終了してから読み込むか、--force を付けてください"),
               kExitFailed;
    }
    WriteDocument(document);
    return kExitOk;
}

int Item(const std::vector<std::string>& args) {
    if (args.empty() || WantsHelp(args)) return Print(kItemHelp), args.empty() ? kExitBadInput : kExitOk;
    const std::string input = ReadAll(stdin);
    if (args[0] == "decode" && args.size() == 1) {
        try {
            const Bytes bytes = FromHex(input, "標準入力");
            return Print(ItemToJson(ReadItem(bytes)).dump(2) + "\n"), kExitOk;
        } catch (const EDocumentError& e) {
            return PrintError(e.what()), kExitBadInput;
        } catch (const EReadError& e) {
            return PrintError(e.what()), kExitBadInput;
        }
    }
    if (args[0] == "encode" && args.size() == 1) {
        try {
            const TItemData item = ItemFromJson(nlohmann::json::parse(input), "");
            Bytes bytes;
            // The name is written as given, so that decode gives back exactly this record.
            lodestar::WriteItemStream(item, std::string(), bytes);
            return Print(ToHex(bytes) + "\n"), kExitOk;
        } catch (const nlohmann::json::parse_error& e) {
            return PrintError("JSON として読めません (" + std::to_string(e.byte) + " バイト目)"),
                   kExitBadInput;
        } catch (const EDocumentError& e) {
            return PrintError(e.what()), kExitBadInput;
        }
    }
    return PrintError("不明な item コマンドです\n" + std::string(kItemHelp)), kExitBadInput;
}

int Reset(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Print(kResetHelp), kExitOk;
    if (!args.empty()) return PrintError("引数は要りません\n" + std::string(kResetHelp)), kExitBadInput;
    ResetStore();
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    // Line ends stay as written: the JSON and hex output are data.
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return PrintError("コマンドがありません\n" + std::string(kUsage)), kExitBadInput;
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        if (command == "export") return Export(args);
        if (command == "import") return Import(args);
        if (command == "item") return Item(args);
        if (command == "reset") return Reset(args);
        if (command == "--help" || command == "-h" || command == "help" || command == "/?")
            return Print(kUsage), kExitOk;
        return PrintError("不明なコマンドです: " + command + "\n" + std::string(kUsage)), kExitBadInput;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return kExitFailed;
    }
}
