// A stored group with a damaged value between two good ones, as a failing disk or a hand edit leaves it,
// and the group's values exactly as stored, to see that nothing rewrote them.
#pragma once

#include "ItemRecord.h"
#include "LsReg.h"
#include "Settings.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace lodestar::test {

struct TRawValue {
    DWORD Type = REG_NONE;
    std::vector<BYTE> Bytes;
    friend bool operator==(const TRawValue&, const TRawValue&) = default;
};
// Value name (empty: the group's name) to type and bytes.
using TRawValues = std::map<std::string, TRawValue>;

inline std::wstring GroupKeyOf(int group) {
    return Widen(std::string(kProgramKey).substr(1) + "\\" + kGroupsKey + "\\" + GroupKeyName(group));
}

inline TRawValues RawGroupValues(int group) {
    TRawValues values;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, GroupKeyOf(group).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        BYTE data[8192];
        DWORD size = sizeof data;
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        values[Narrow(std::wstring_view(name, nameLength))] =
            TRawValue{type, std::vector<BYTE>(data, data + size)};
    }
    ::RegCloseKey(key);
    return values;
}

inline void SetRawValue(int group, const std::string& name, const std::vector<BYTE>& bytes) {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, GroupKeyOf(group).c_str(), Widen(name).c_str(), REG_BINARY,
                                bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

inline std::vector<BYTE> StoredBytes(const TItemData& item) {
    const Bytes bytes = ItemToBytes(item);
    return {bytes.begin(), bytes.end()};
}

// Writes the group as i001 = first, i002 = `damaged` cut in half, i003 = last; reading it fails at i002.
inline void PlantDamagedGroup(int group, const std::string& name, const TItemData& first,
                              const TItemData& damaged, const TItemData& last) {
    {
        TLsReg reg;
        ASSERT_TRUE(reg.OpenKey(std::string(kGroupsKey) + "\\" + GroupKeyName(group), true));
        reg.WriteString("", name);
        reg.WriteItem(ItemValueName(1), first);
        reg.WriteItem(ItemValueName(3), last);
    }
    std::vector<BYTE> cut = StoredBytes(damaged);
    cut.resize(cut.size() / 2);
    SetRawValue(group, ItemValueName(2), cut);
}

} // namespace lodestar::test
