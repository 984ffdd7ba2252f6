// Access to the program's registry tree under HKEY_CURRENT_USER. Each use creates an instance, works and
// lets it go; none is kept.
#pragma once

#include "Handles.h"
#include "ItemData.h"
#include "ItemStream.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lodestar {

class TLsReg {
public:
    // Opens "\Software\Marlowe\Lodestar" as the current key, creating it when absent. Where it can be
    // neither opened for writing nor created, the instance only reads (what is stored, or the defaults),
    // drops every write and deletes nothing, and ProgramKeyUnavailableNotice is told.
    TLsReg();
    // False when the program's key could not be opened for writing: nothing of this instance is kept.
    bool Writable() const { return !readOnly_; }

    // Makes a key current. A path starting with "\" is taken from the root (HKEY_CURRENT_USER), any
    // other path from the current key. False when the key does not exist (and may not be created).
    bool OpenKey(std::string_view path, bool canCreate);
    bool KeyExists(std::string_view path) const;
    // Deletes a key with everything below it; the path is resolved as in OpenKey.
    bool DeleteKey(std::string_view path);
    bool HasSubKeys() const;
    // How many values the current key holds (its default value included when set).
    int ValueCount() const;
    HKEY CurrentKey() const { return current_.Get(); }

    // A stored value of the wrong type counts as absent, as a missing one does.
    bool ReadBoolDef(std::string_view name, bool def) const;
    std::int32_t ReadIntegerDef(std::string_view name, std::int32_t def) const;
    std::string ReadStringDef(std::string_view name, std::string_view def) const;
    std::optional<std::int32_t> ReadInteger(std::string_view name) const;
    std::optional<std::string> ReadString(std::string_view name) const;
    void WriteBool(std::string_view name, bool value);
    void WriteInteger(std::string_view name, std::int32_t value);
    void WriteString(std::string_view name, std::string_view value);
    bool ValueExists(std::string_view name) const;
    // Names of the current key's values, unsorted.
    std::vector<std::string> ValueNames() const;

    // Reads one item value of the current key. False when the value is missing, empty or not binary;
    // a parent block longer than the value raises EReadError.
    bool ReadItem(std::string_view name, TItemData& item);
    // Writes a valid item as a binary value; an item without command and ID list is not written (false).
    bool WriteItem(std::string_view name, const TItemData& item);

    using GroupCallback = std::function<void(const TItemData& item, int tag)>;
    // Reads every value of the group's key in name order (case-insensitive, locale order) and hands each
    // item read to the callback, which copies what it keeps. Nothing happens when the group's key does
    // not exist. The current key stays at the group key.
    void ReadGroup(int group, int tag, const GroupCallback& callback);

private:
    HKEY Resolve(std::string_view& path) const;

    UniqueKey current_;
    Bytes buffer_;
    bool readOnly_ = false;
};

// Told the first time a TLsReg finds that the program's key can neither be opened for writing nor created
// (a locked-down profile), and then emptied: the program says it once. Empty: nothing is told.
std::function<void()>& ProgramKeyUnavailableNotice();

// Test seam: consulted before every value the class writes and every key it deletes, with the value's
// name or the key's path, and before it creates the program's key, with kProgramKey. A status other than
// ERROR_SUCCESS makes that change fail with it, as a failing registry would. Empty (the default): nothing
// is consulted.
using TRegistryWriteSeam = std::function<LSTATUS(std::string_view name)>;
TRegistryWriteSeam& RegistryWriteSeam();

// Value names in the order groups are read: case-insensitive, by the user's locale.
void SortValueNames(std::vector<std::string>& names);

} // namespace lodestar
