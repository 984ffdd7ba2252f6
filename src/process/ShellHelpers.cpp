#include "ShellHelpers.h"

#include "CommandLine.h"
#include "Handles.h"
#include "WinText.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace lodestar {

namespace {

std::wstring ExpandEnvironmentW(const std::wstring& text) {
    std::wstring expanded(text.size() + 1, L'\0');
    // The environment may change between calls; ask again until the buffer holds the result.
    for (;;) {
        const DWORD n =
            ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (n == 0) return text;
        if (n <= expanded.size()) {
            expanded.resize(n - 1); // n counts the terminator
            return expanded;
        }
        expanded.assign(n, L'\0');
    }
}

UniqueKey OpenClassesKey(const std::wstring& subKey) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return {};
    return key;
}

// The default value of a key below HKEY_CLASSES_ROOT; empty when the key or a string value is missing.
std::wstring ReadClassesDefault(const std::wstring& subKey) {
    const UniqueKey key = OpenClassesKey(subKey);
    if (!key) return {};
    DWORD type = 0;
    DWORD bytes = 0;
    LSTATUS status = ::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &bytes);
    std::wstring value;
    // The value may grow between the two calls; ask again until the buffer holds it.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
        value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                                    &bytes);
        if (status == ERROR_SUCCESS) {
            // Stored strings need not carry their terminator, and may carry more than one.
            value.resize(bytes / sizeof(wchar_t));
            value.resize(std::min(value.size(), value.find(L'\0')));
            // Commands that Windows writes ("%SystemRoot%\system32\NOTEPAD.EXE" %1) name their program
            // through the environment; the shell expands them when it reads them, and so do we.
            return type == REG_EXPAND_SZ ? ExpandEnvironmentW(value) : value;
        }
    }
    return {};
}

// The command of the first verb the registry enumerates for a class. Not the class's default verb:
// documents open with the verb the registry lists first.
std::wstring FirstVerbCommand(const std::wstring& fileClass) {
    if (fileClass.empty()) return {};
    const std::wstring shell = fileClass + L"\\shell";
    const UniqueKey key = OpenClassesKey(shell);
    if (!key) return {};
    wchar_t verb[256] = {}; // key names are at most 255 characters
    DWORD length = static_cast<DWORD>(std::size(verb));
    if (::RegEnumKeyExW(key.Get(), 0, verb, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return {};
    return ReadClassesDefault(shell + L"\\" + std::wstring(verb, length) + L"\\command");
}

std::string ShortPathName(std::string_view path) {
    const std::wstring wide = Widen(path);
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetShortPathNameW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
        buffer.assign(n, L'\0');
    }
}

DWORD Attributes(std::string_view path) {
    return ::GetFileAttributesW(Widen(path).c_str());
}

// Shortcuts are read through IShellLinkW and the text converted here, so that nothing depends on how the
// ANSI interface converts to the active code page or sizes its buffers in bytes.
constexpr int kLinkTextChars = INFOTIPSIZE;

std::string TextOf(const std::wstring& buffer) {
    return Narrow(buffer.c_str());
}

// Step by step so that a failure leaves the fields read before it; false on the first COM failure.
bool ReadLoadedLink(IShellLinkW& link, bool wantIdList, TLinkInfo& info) {
    std::wstring text(kLinkTextChars, L'\0');
    WIN32_FIND_DATAW found{};
    if (FAILED(link.GetPath(text.data(), kLinkTextChars, &found, SLGP_SHORTPATH))) return false;
    info.Target = TextOf(text);
    // Wine ignores SLGP_SHORTPATH and hands out the long path; a target that exists is made short here
    // so that comparisons with short forms hold there as well.
    if (std::string shortTarget = ShortPathName(info.Target); !shortTarget.empty())
        info.Target = std::move(shortTarget);
    text.assign(kLinkTextChars, L'\0');
    if (FAILED(link.GetArguments(text.data(), kLinkTextChars))) return false;
    info.Arguments = TextOf(text);
    text.assign(kLinkTextChars, L'\0');
    if (FAILED(link.GetDescription(text.data(), kLinkTextChars))) return false;
    info.Description = TextOf(text);
    text.assign(kLinkTextChars, L'\0');
    if (FAILED(link.GetWorkingDirectory(text.data(), kLinkTextChars))) return false;
    info.WorkDir = TextOf(text);

    int showCmd = 0;
    if (FAILED(link.GetShowCmd(&showCmd))) return false;
    info.ShowCmd = showCmd;
    WORD hotKey = 0;
    if (FAILED(link.GetHotkey(&hotKey))) return false;
    info.HotKey = hotKey;
    text.assign(kLinkTextChars, L'\0');
    int iconIndex = 0;
    if (FAILED(link.GetIconLocation(text.data(), kLinkTextChars, &iconIndex))) return false;
    info.IconPath = TextOf(text);
    info.IconIndex = iconIndex;

    if (!wantIdList) {
        info.IDList = IdList();
        return true;
    }
    UniqueCoTask<ITEMIDLIST> owned;
    if (FAILED(link.GetIDList(owned.Put()))) return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(owned.Get());
    info.IDList = IdList::FromBytes({bytes, IdList::WalkedSize(bytes)}).value_or(IdList());
    return true;
}

} // namespace

std::string ExpandEnvironment(std::string_view text) {
    if (text.find('%') == std::string_view::npos) return std::string(text);
    return Narrow(ExpandEnvironmentW(Widen(text)));
}

std::string GetAssociatedCommand(std::string_view extension) {
    std::wstring command;
    if (!extension.empty()) command = FirstVerbCommand(ReadClassesDefault(Widen(extension)));
    if (command.empty()) command = FirstVerbCommand(L"*");
    if (command.empty()) command = FirstVerbCommand(L"Unknown");
    return Narrow(command);
}

std::optional<std::intptr_t> OpenAsUnknownType(std::string_view file, std::string_view folder, int show) {
    const std::string command = GetAssociatedCommand({});
    if (command.empty()) return std::nullopt;
    const TCmd split = SplitCommandLine(SubstituteParam(command, file));
    const std::wstring program = Widen(split.Path);
    const std::wstring params = Widen(split.Params);
    const std::wstring directory = Widen(folder);
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, nullptr, program.c_str(), params.empty() ? nullptr : params.c_str(),
                        directory.empty() ? nullptr : directory.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}

std::string SearchProgram(std::string_view name) {
    if (name.empty()) return {};
    const std::wstring wideName = Widen(name);
    for (const std::string_view extension : kProgramExtensions) {
        const std::wstring wideExtension = Widen(extension);
        std::wstring found(MAX_PATH, L'\0');
        DWORD n = ::SearchPathW(nullptr, wideName.c_str(), wideExtension.c_str(),
                                static_cast<DWORD>(found.size()), found.data(), nullptr);
        if (n >= found.size()) {
            found.assign(n, L'\0');
            n = ::SearchPathW(nullptr, wideName.c_str(), wideExtension.c_str(),
                              static_cast<DWORD>(found.size()), found.data(), nullptr);
        }
        if (n != 0 && n < found.size()) return LongPathName(Narrow(std::wstring_view(found.data(), n)));
    }
    return std::string(name);
}

bool NeedsSearch(std::string_view part) {
    if (part.find_first_of(":\\") == std::string_view::npos) return true;
    const std::string name = ExtractFileName(part);
    return !name.empty() && name.find('.') == std::string::npos && !FileExists(part) && !FolderExists(part);
}

std::string LongPathName(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    // Wildcards would let the directory search hand back some other entry's name; "<", ">" and '"' are
    // wildcards to the file system too.
    if (path.find_first_of("*?<>\"") != std::string_view::npos) return std::string(path);

    // From the last component towards the first, so that no input, however many components it has, can
    // run deeper than a loop. `tail` collects the converted components in reverse, each with the separator
    // before it.
    std::vector<std::string> tail;
    std::string_view rest = path;
    for (;;) {
        const std::string name = ExtractFileName(rest);
        if (name.empty()) break; // "C:", a root, or a path ending in a slash: nothing to look up
        std::string stored;
        if (name == "." || name == "..") {
            // The directory search resolves these first and would return the name of the folder they
            // stand for, which in their place would name a different one.
            stored = name;
        } else {
            WIN32_FIND_DATAW found{};
            if (!UniqueFind(::FindFirstFileW(Widen(rest).c_str(), &found))) break;
            stored = Narrow(found.cFileName);
        }
        const std::string_view parent = rest.substr(0, rest.size() - name.size());
        // "C:name" is relative to the drive's current folder and takes no separator.
        const bool separated = !parent.empty() && (parent.back() == '\\' || parent.back() == '/');
        tail.push_back(separated ? "\\" + stored : stored);
        rest = parent;
        if (separated) rest.remove_suffix(1);
        if (rest.empty()) break;
    }
    std::string result(rest);
    for (auto it = tail.rbegin(); it != tail.rend(); ++it)
        result += *it;
    return result;
}

std::string FolderOrMyComputer(std::string_view path) {
    if (FolderExists(path)) return std::string(path);
    std::string folder = ExtractFilePath(path);
    if (!folder.empty() && FolderExists(folder)) return folder;
    return std::string(kMyComputer);
}

TLinkInfo ReadLinkInfo(std::string_view lnkPath, bool wantIdList, TLinkInfo info) {
    const std::wstring widePath = Widen(lnkPath);
    SHFILEINFOW shellInfo{};
    ::SHGetFileInfoW(widePath.c_str(), 0, &shellInfo, sizeof shellInfo, SHGFI_ATTRIBUTES | SHGFI_DISPLAYNAME);
    if ((shellInfo.dwAttributes & SFGAO_LINK) == 0) {
        info.Target.clear();
        info.Arguments.clear();
        info.DisplayName.clear();
        info.WorkDir.clear();
        info.IDList = IdList();
        return info;
    }
    info.DisplayName = Narrow(shellInfo.szDisplayName);

    ComPtr<IShellLinkW> link;
    ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
    const ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
    if (!file) {
        ::MessageBeep(0);
        // A target left from the caller's record would pass for one read from the shortcut.
        info.Target.clear();
        return info;
    }
    if (FAILED(file->Load(widePath.c_str(), STGM_READ)) || !ReadLoadedLink(*link.Get(), wantIdList, info))
        info.Target.clear();
    return info;
}

bool FolderExists(std::string_view path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(std::string_view path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SamePath(std::string_view a, std::string_view b) {
    return AddBackslash(ShortPathName(a)) == AddBackslash(ShortPathName(b));
}

bool SameFile(std::string_view a, std::string_view b, bool namesOnly) {
    const std::string shortA = ShortPathName(a);
    const std::string shortB = ShortPathName(b);
    return namesOnly ? ExtractFileName(shortA) == ExtractFileName(shortB) : shortA == shortB;
}

} // namespace lodestar
