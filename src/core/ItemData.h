// The launcher item record and the records of its execution chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lodestar {

// A shell item ID list held as its bytes, including the 2-byte zero terminator. Empty means absent.
// Copying copies the bytes. Only well-formed lists are held: see FromBytes.
class IdList {
public:
    IdList() = default;

    // A list is well formed when walking its items (each starts with a 16-bit little-endian byte count
    // that includes the count itself) stays inside the bytes and reaches a zero count that ends exactly
    // at the last byte. Anything else gives no list.
    static std::optional<IdList> FromBytes(std::span<const std::uint8_t> bytes);
    // Walks a list in memory (as handed out by the shell) up to its terminator; 0 for a null pointer.
    // The caller vouches that the memory holds a terminated list.
    static std::size_t WalkedSize(const std::uint8_t* list);

    bool Present() const { return !bytes_.empty(); }
    explicit operator bool() const { return Present(); }
    std::size_t Size() const { return bytes_.size(); }
    const std::uint8_t* Data() const { return bytes_.empty() ? nullptr : bytes_.data(); }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

    friend bool operator==(const IdList&, const IdList&) = default;

private:
    std::vector<std::uint8_t> bytes_;
};

// Size of an ID list: its walked size including the terminator, 0 when absent.
inline std::size_t IDListSize(const IdList& list) {
    return list.Size();
}
inline IdList CopyIDList(const IdList& list) {
    return list;
}

// Show states of a started program's window.
enum : std::uint8_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// What a chain entry waits for of the program before it.
enum : std::uint8_t { wmNone = 0, wmInputIdle = 1, wmExit = 2 };

// One further program of an execution chain.
struct TChildIcon {
    IdList IDList;
    std::string Cmd;
    std::string DefDir;
    std::uint8_t WndSize = 0;
    std::int32_t DelayMs = 0;
    std::uint8_t WaitMode = 0;
    bool AutoQuit = false;
    std::uint8_t DupCheckMode = 0;
    std::string DupCheckText;

    friend bool operator==(const TChildIcon&, const TChildIcon&) = default;
};

using TChildIconList = std::vector<TChildIcon>;

// One launcher item. Copies are deep: the ID list and every chain entry are duplicated.
struct TItemData {
    std::string Tip;
    std::string Cmd;
    IdList IDList;
    std::string DefDir;
    std::string CustomIcon;
    std::uint8_t WndSize = 0;
    std::uint16_t HotKey = 0;
    TChildIconList Children; // empty: no chain
    // A click or the hotkey brings a running copy of the item's program forward instead of starting one.
    bool BringForward = false;

    friend bool operator==(const TItemData&, const TItemData&) = default;
};

// An item (or chain entry) can be started only with a command or an ID list.
inline bool IsValidItem(const TItemData& item) {
    return !item.Cmd.empty() || item.IDList.Present();
}
inline bool IsValidItem(const TChildIcon& child) {
    return !child.Cmd.empty() || child.IDList.Present();
}

inline TItemData CopyItemData(const TItemData& item) {
    return item;
}
inline TChildIconList CopyChildList(const TChildIconList& list) {
    return list;
}

// Limits shared by the main window and the dialogs.
constexpr int kGroupCount = 10;
constexpr std::size_t kMaxItemsInGroup = 200;
constexpr std::size_t kMaxChainEntries = 20;

} // namespace lodestar
