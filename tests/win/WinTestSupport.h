// Small helpers the Windows tests share: path forms, files and ID lists made the way the shell makes them.
#pragma once

#include "Handles.h"
#include "ItemData.h"
#include "WinText.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace lodestar::test {

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
    const BOOL ok = ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ASSERT_TRUE(ok && written == bytes.size()) << path;
}

// The ID list the shell gives for a parsing name (a path or "::{CLSID}"); none when it knows no such object.
inline IdList ParseIdList(const std::string& name) {
    UniqueCoTask<ITEMIDLIST> pidl;
    if (FAILED(::SHParseDisplayName(Widen(name).c_str(), nullptr, pidl.Put(), 0, nullptr))) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pidl.Get());
    return IdList::FromBytes({bytes, IdList::WalkedSize(bytes)}).value_or(IdList());
}

} // namespace lodestar::test
