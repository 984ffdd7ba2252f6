// Small helpers the Windows tests share: path forms, files and ID lists made the way the shell makes them.
#pragma once

#include "CommandLine.h"
#include "Handles.h"
#include "ItemData.h"
#include "WinText.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace lodestar::test {

// A bitmap's pixels as 32-bit values, top row first.
inline std::vector<std::uint32_t> Bits32(HBITMAP bitmap, int width, int height) {
    const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    EXPECT_EQ(::GetDIBits(dc.Get(), bitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS), height);
    return pixels;
}

inline std::string ShortOf(const std::string& path) {
    wchar_t buffer[1024] = {};
    const DWORD n = ::GetShortPathNameW(Widen(path).c_str(), buffer, 1024);
    return n && n < 1024 ? Narrow(buffer) : std::string();
}

inline std::string LongOf(const std::string& path) {
    wchar_t buffer[1024] = {};
    const DWORD n = ::GetLongPathNameW(Widen(path).c_str(), buffer, 1024);
    return n && n < 1024 ? Narrow(buffer) : std::string();
}

inline void WriteBytes(const std::string& path, std::string_view bytes) {
    const UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ASSERT_TRUE(ok && written == bytes.size()) << path;
}

// The ID list the shell gives for a parsing name (a path or "::{CLSID}"); none when it knows no such object.
inline IdList ParseIdList(const std::string& name) {
    UniqueCoTask<ITEMIDLIST> pidl;
    if (FAILED(::SHParseDisplayName(Widen(name).c_str(), nullptr, pidl.Put(), 0, nullptr))) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pidl.Get());
    return IdList::FromBytes({bytes, IdList::WalkedSize(bytes)}).value_or(IdList());
}

// What a test writes into a shortcut file.
struct TShortcut {
    std::string Target{}; // a path, or empty with IDList
    std::string Arguments{};
    std::string WorkDir{};
    std::string Description{};
    WORD HotKey = 0;
    std::string IconPath{};
    int IconIndex = 0;
    int ShowCmd = SW_SHOWNORMAL;
    IdList IDList{};
};

// Written through the shell's own link object, as Explorer writes them.
inline void WriteShortcut(const std::string& lnkPath, const TShortcut& s) {
    ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()));
    if (s.IDList)
        ASSERT_HRESULT_SUCCEEDED(link->SetIDList(reinterpret_cast<PCIDLIST_ABSOLUTE>(s.IDList.Data())));
    else
        ASSERT_HRESULT_SUCCEEDED(link->SetPath(Widen(s.Target).c_str()));
    ASSERT_HRESULT_SUCCEEDED(link->SetArguments(Widen(s.Arguments).c_str()));
    ASSERT_HRESULT_SUCCEEDED(link->SetWorkingDirectory(Widen(s.WorkDir).c_str()));
    ASSERT_HRESULT_SUCCEEDED(link->SetDescription(Widen(s.Description).c_str()));
    ASSERT_HRESULT_SUCCEEDED(link->SetHotkey(s.HotKey));
    ASSERT_HRESULT_SUCCEEDED(link->SetIconLocation(Widen(s.IconPath).c_str(), s.IconIndex));
    ASSERT_HRESULT_SUCCEEDED(link->SetShowCmd(s.ShowCmd));
    const ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
    ASSERT_TRUE(file);
    ASSERT_HRESULT_SUCCEEDED(file->Save(Widen(lnkPath).c_str(), TRUE));
}

// A drop handle as the shell hands it over: DROPFILES followed by the wide paths, double-terminated.
inline HDROP MakeDrop(const std::vector<std::string>& paths) {
    std::wstring list;
    for (const std::string& path : paths)
        list += Widen(path) + L'\0';
    list += L'\0';
    const std::size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<std::uint8_t*>(header) + sizeof(DROPFILES), list.data(),
                list.size() * sizeof(wchar_t));
    ::GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

// The copies of a program (known by its file name) started while this lives, and their windows; it ends
// those still running.
class TStartedCopies {
public:
    explicit TStartedCopies(const std::string& program)
        : name_(UpperAscii(ExtractFileName(program))), before_(Pids()) {}
    ~TStartedCopies() {
        for (const DWORD pid : New()) {
            const UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
            if (process && ::TerminateProcess(process.Get(), 0)) ::WaitForSingleObject(process.Get(), 5000);
        }
    }
    TStartedCopies(const TStartedCopies&) = delete;
    TStartedCopies& operator=(const TStartedCopies&) = delete;

    std::set<DWORD> New() const {
        std::set<DWORD> started;
        for (const DWORD pid : Pids())
            if (!before_.count(pid)) started.insert(pid);
        return started;
    }
    // The front visible unowned top-level window of each copy, front to back.
    std::vector<HWND> Windows() const {
        const std::set<DWORD> started = New();
        std::set<DWORD> seen;
        std::vector<HWND> windows;
        for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(window, &pid);
            if (started.count(pid) && ::IsWindowVisible(window) && !::GetWindow(window, GW_OWNER) &&
                seen.insert(pid).second)
                windows.push_back(window);
        }
        return windows;
    }

private:
    std::set<DWORD> Pids() const {
        std::set<DWORD> pids;
        const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
             more = ::Process32NextW(snapshot.Get(), &entry))
            if (UpperAscii(Narrow(entry.szExeFile)) == name_) pids.insert(entry.th32ProcessID);
        return pids;
    }
    std::string name_;
    std::set<DWORD> before_;
};

} // namespace lodestar::test
