// What the benchmarks do to the stored state: they work on settings and items of their own, and whatever
// the user had stored under the program's key is back, unchanged, when they end.
#pragma once

#include "Handles.h"
#include "Store.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace lodestar::bench {

// A registry key with its values and subkeys, held in memory.
struct TKeyCopy {
    struct TValue {
        std::wstring Name;
        DWORD Type = REG_NONE;
        std::vector<BYTE> Data;
    };
    std::wstring Name;
    std::vector<TValue> Values;
    std::vector<TKeyCopy> SubKeys;

    static std::optional<TKeyCopy> Read(HKEY parent, const std::wstring& name) {
        UniqueKey key;
        if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
            return std::nullopt;
        TKeyCopy copy;
        copy.Name = name;
        DWORD subKeys = 0, longestSubKey = 0, values = 0, longestName = 0, longestData = 0;
        if (::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr,
                               &values, &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
            return std::nullopt;
        for (DWORD i = 0; i < values; ++i) {
            std::wstring valueName(longestName + 1, L'\0');
            DWORD nameLength = longestName + 1;
            TValue value;
            value.Data.resize(longestData);
            DWORD size = longestData;
            if (::RegEnumValueW(key.Get(), i, valueName.data(), &nameLength, nullptr, &value.Type,
                                value.Data.data(), &size) != ERROR_SUCCESS)
                return std::nullopt;
            value.Name = valueName.substr(0, nameLength);
            value.Data.resize(size);
            copy.Values.push_back(std::move(value));
        }
        for (DWORD i = 0; i < subKeys; ++i) {
            std::wstring subName(longestSubKey + 1, L'\0');
            DWORD length = longestSubKey + 1;
            if (::RegEnumKeyExW(key.Get(), i, subName.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                return std::nullopt;
            auto sub = Read(key.Get(), subName.substr(0, length));
            if (!sub) return std::nullopt;
            copy.SubKeys.push_back(std::move(*sub));
        }
        return copy;
    }

    bool Write(HKEY parent) const {
        UniqueKey key;
        if (::RegCreateKeyExW(parent, Name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr) !=
            ERROR_SUCCESS)
            return false;
        bool ok = true;
        for (const TValue& value : Values)
            ok = ::RegSetValueExW(key.Get(), value.Name.c_str(), 0, value.Type, value.Data.data(),
                                  static_cast<DWORD>(value.Data.size())) == ERROR_SUCCESS &&
                 ok;
        for (const TKeyCopy& sub : SubKeys)
            ok = sub.Write(key.Get()) && ok;
        return ok;
    }
};

// Takes the stored tree away for the benchmark and puts it back when it goes. The benchmark writes every
// setting it depends on itself: what earlier runs or tests left must not change what it measures (a drop
// mode whose hook cannot be installed, for one, stops the start at an error box).
class TStoredStateGuard {
public:
    TStoredStateGuard() {
        UniqueKey present;
        const bool stored =
            ::RegOpenKeyExW(HKEY_CURRENT_USER, kTree, 0, KEY_READ, present.Put()) == ERROR_SUCCESS;
        present.Reset();
        saved_ = TKeyCopy::Read(HKEY_CURRENT_USER, kTree);
        ready_ = !stored || saved_;
        if (saved_) saved_->Name = L"Lodestar";
        if (ready_) ResetStore();
    }
    ~TStoredStateGuard() {
        if (!ready_) return;
        ResetStore();
        UniqueKey vendor;
        if (saved_ && ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Marlowe", 0, nullptr, 0, KEY_WRITE,
                                        nullptr, vendor.Put(), nullptr) == ERROR_SUCCESS)
            saved_->Write(vendor.Get());
    }
    TStoredStateGuard(const TStoredStateGuard&) = delete;
    TStoredStateGuard& operator=(const TStoredStateGuard&) = delete;

    // False when the stored tree could not be read whole: the benchmark must not run, or it would lose it.
    bool Ready() const { return ready_; }

private:
    static constexpr const wchar_t* kTree = L"Software\\Marlowe\\Lodestar";
    std::optional<TKeyCopy> saved_;
    bool ready_ = false;
};

} // namespace lodestar::bench
