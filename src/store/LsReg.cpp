#include "LsReg.h"

#include "ItemRecord.h"
#include "Settings.h"
#include "WinError.h"
#include "WinText.h"

#include <algorithm>
#include <utility>

namespace lodestar {

namespace {

// The current key is opened with full access: the tree is the program's own.
constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

std::wstring KeyPath(std::string_view path) {
    std::wstring wide = Widen(path);
    while (!wide.empty() && wide.front() == L'\\')
        wide.erase(0, 1);
    return wide;
}

struct ValueData {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

std::optional<ValueData> QueryValue(HKEY key, std::string_view name) {
    if (key == nullptr) return std::nullopt;
    const std::wstring wideName = Widen(name);
    ValueData data;
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExW(key, wideName.c_str(), nullptr, &data.type, nullptr, &size);
    // The value may grow between the calls; ask again until the buffer holds it.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.bytes.resize(size);
        status = ::RegQueryValueExW(key, wideName.c_str(), nullptr, &data.type, data.bytes.data(), &size);
        if (status == ERROR_SUCCESS) {
            data.bytes.resize(size);
            return data;
        }
    }
    return std::nullopt;
}

LSTATUS SeamStatus(std::string_view name) {
    const TRegistryWriteSeam& seam = RegistryWriteSeam();
    return seam ? seam(name) : ERROR_SUCCESS;
}

void SetValue(HKEY key, std::string_view name, DWORD type, const void* data, std::size_t size) {
    if (const LSTATUS fault = SeamStatus(name); fault != ERROR_SUCCESS)
        throw EWindowsError(static_cast<DWORD>(fault));
    const LSTATUS status = ::RegSetValueExW(key, Widen(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                                            static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS) throw EWindowsError(static_cast<DWORD>(status));
}

} // namespace

std::function<void()>& ProgramKeyUnavailableNotice() {
    static std::function<void()> notice;
    return notice;
}

TRegistryWriteSeam& RegistryWriteSeam() {
    static TRegistryWriteSeam seam;
    return seam;
}

TLsReg::TLsReg() {
    const std::wstring path = KeyPath(kProgramKey);
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, kAccess, current_.Put()) == ERROR_SUCCESS) return;
    LSTATUS status = SeamStatus(kProgramKey);
    if (status == ERROR_SUCCESS)
        status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, kAccess, nullptr,
                                   current_.Put(), nullptr);
    if (status == ERROR_SUCCESS) return;
    // A locked-down profile: what is stored is still read where it can be, the rest reads as defaults, and
    // nothing is written. The program says so once and goes on.
    readOnly_ = true;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, current_.Put());
    if (const auto notice = std::exchange(ProgramKeyUnavailableNotice(), nullptr)) notice();
}

HKEY TLsReg::Resolve(std::string_view& path) const {
    if (!path.empty() && path.front() == '\\') return HKEY_CURRENT_USER;
    return current_.Get();
}

bool TLsReg::OpenKey(std::string_view path, bool canCreate) {
    const HKEY base = Resolve(path);
    UniqueKey key;
    const std::wstring sub = KeyPath(path);
    const LSTATUS status =
        canCreate && !readOnly_
            ? ::RegCreateKeyExW(base, sub.c_str(), 0, nullptr, 0, kAccess, nullptr, key.Put(), nullptr)
            : ::RegOpenKeyExW(base, sub.c_str(), 0, readOnly_ ? KEY_READ : kAccess, key.Put());
    if (status != ERROR_SUCCESS) return false;
    current_ = std::move(key);
    return true;
}

bool TLsReg::KeyExists(std::string_view path) const {
    const HKEY base = Resolve(path);
    UniqueKey key;
    return ::RegOpenKeyExW(base, KeyPath(path).c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

bool TLsReg::DeleteKey(std::string_view path) {
    const HKEY base = Resolve(path);
    const std::wstring sub = KeyPath(path);
    if (sub.empty() || readOnly_) return false;
    if (SeamStatus(path) != ERROR_SUCCESS) return false;
    // With a subkey named, the tree goes together with the key itself.
    return ::RegDeleteTreeW(base, sub.c_str()) == ERROR_SUCCESS;
}

bool TLsReg::HasSubKeys() const {
    DWORD subKeys = 0;
    if (::RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subKeys > 0;
}

std::optional<std::int32_t> TLsReg::ReadInteger(std::string_view name) const {
    const auto value = QueryValue(current_.Get(), name);
    if (!value || value->type != REG_DWORD || value->bytes.size() != 4) return std::nullopt;
    std::int32_t result = 0;
    std::copy(value->bytes.begin(), value->bytes.end(), reinterpret_cast<BYTE*>(&result));
    return result;
}

std::optional<std::string> TLsReg::ReadString(std::string_view name) const {
    const auto value = QueryValue(current_.Get(), name);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text(value->bytes.size() / sizeof(wchar_t), L'\0');
    std::copy_n(value->bytes.begin(), text.size() * sizeof(wchar_t), reinterpret_cast<BYTE*>(text.data()));
    // Stored strings need not carry their terminator.
    text.resize(std::min(text.size(), text.find(L'\0')));
    return Narrow(text);
}

bool TLsReg::ReadBoolDef(std::string_view name, bool def) const {
    const auto value = ReadInteger(name);
    return value ? *value != 0 : def;
}

std::int32_t TLsReg::ReadIntegerDef(std::string_view name, std::int32_t def) const {
    return ReadInteger(name).value_or(def);
}

std::string TLsReg::ReadStringDef(std::string_view name, std::string_view def) const {
    return ReadString(name).value_or(std::string(def));
}

void TLsReg::WriteBool(std::string_view name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TLsReg::WriteInteger(std::string_view name, std::int32_t value) {
    if (readOnly_) return;
    SetValue(current_.Get(), name, REG_DWORD, &value, sizeof value);
}

void TLsReg::WriteString(std::string_view name, std::string_view value) {
    if (readOnly_) return;
    const std::wstring wide = Widen(value);
    SetValue(current_.Get(), name, REG_SZ, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

bool TLsReg::ValueExists(std::string_view name) const {
    return ::RegQueryValueExW(current_.Get(), Widen(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

int TLsReg::ValueCount() const {
    DWORD count = 0;
    if (::RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return static_cast<int>(count);
}

std::vector<std::string> TLsReg::ValueNames() const {
    std::vector<std::string> names;
    DWORD count = 0;
    DWORD maxLength = 0;
    if (::RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           &maxLength, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::wstring name(maxLength + 1, L'\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumValueW(current_.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        names.push_back(Narrow(std::wstring_view(name.data(), length)));
    }
    return names;
}

bool TLsReg::ReadItem(std::string_view name, TItemData& item) {
    item = TItemData{};
    auto value = QueryValue(current_.Get(), name);
    // Items are binary values; a value of another type was not written by the program.
    if (!value || value->bytes.empty() || (value->type != REG_BINARY && value->type != REG_NONE))
        return false;
    buffer_.assign(value->bytes.begin(), value->bytes.end());
    MemoryReader in(buffer_);
    ReadItemStream(in, item);
    return true;
}

bool TLsReg::WriteItem(std::string_view name, const TItemData& item) {
    if (!IsValidItem(item)) return false;
    buffer_.clear();
    WriteItemStream(item, buffer_);
    if (!readOnly_) SetValue(current_.Get(), name, REG_BINARY, buffer_.data(), buffer_.size());
    return true;
}

namespace {
// The order of value names: the user's locale, letter case ignored.
bool ValueNameLess(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_LESS_THAN;
}
} // namespace

void SortValueNames(std::vector<std::string>& names) {
    std::vector<std::pair<std::wstring, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names)
        keyed.emplace_back(Widen(name), std::move(name));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return ValueNameLess(a.first, b.first); });
    names.clear();
    for (auto& entry : keyed)
        names.push_back(std::move(entry.second));
}

void TLsReg::ReadGroup(int group, int tag, const GroupCallback& callback) {
    if (!OpenKey(std::string(kProgramKey) + "\\" + kGroupsKey + "\\" + GroupKeyName(group), false)) return;
    // Names and data come in one pass: a group of 200 items is read in 200 calls instead of 600.
    DWORD count = 0;
    DWORD maxName = 0;
    DWORD maxData = 0;
    if (::RegQueryInfoKeyW(current_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    struct TValue {
        std::wstring Name;
        std::optional<Bytes> Data; // none when the value changed while it was listed: read again by name
    };
    std::vector<TValue> values;
    std::wstring name(maxName + 1, L'\0');
    Bytes data(maxData);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LSTATUS status = ::RegEnumValueW(current_.Get(), i, name.data(), &nameLength, nullptr, &type,
                                               data.data(), &dataSize);
        if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || nameLength == 0) continue;
        TValue value{name.substr(0, nameLength), std::nullopt};
        if (status == ERROR_SUCCESS) {
            // Items are binary values; a value of another type was not written by the program.
            if (dataSize == 0 || (type != REG_BINARY && type != REG_NONE)) continue;
            value.Data = Bytes(data.begin(), data.begin() + dataSize);
        }
        values.push_back(std::move(value));
    }
    std::stable_sort(values.begin(), values.end(),
                     [](const TValue& a, const TValue& b) { return ValueNameLess(a.Name, b.Name); });
    TItemData item;
    for (TValue& value : values) {
        if (!value.Data) {
            if (ReadItem(Narrow(value.Name), item)) callback(item, tag);
            continue;
        }
        buffer_ = std::move(*value.Data);
        MemoryReader in(buffer_);
        ReadItemStream(in, item);
        callback(item, tag);
    }
}

} // namespace lodestar
