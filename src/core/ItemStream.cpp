#include "ItemStream.h"

#include "Errors.h"
#include "LegacyText.h"

#include <cstring>
#include <string_view>

namespace lodestar {

namespace {

constexpr std::size_t kFieldHeader = 4;

std::uint32_t LoadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutU32(Bytes& out, std::uint32_t v) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    out.insert(out.end(), bytes, bytes + 4);
}

// Reads the fields of one block. All ends are compared as remaining byte counts, never as sums, so no
// length from the data can overflow.
class BlockReader {
public:
    BlockReader(std::span<const std::uint8_t> data, std::size_t begin, std::size_t end)
        : data_(data), pos_(begin), end_(end) {}

    // The payload of the next field, or empty when the field would leave the block (the rest of the
    // block is then given up).
    std::span<const std::uint8_t> Field() {
        if (end_ - pos_ < kFieldHeader) return GiveUp();
        const std::uint32_t n = LoadU32(data_.data() + pos_);
        if (n > end_ - pos_ - kFieldHeader) return GiveUp();
        auto field = data_.subspan(pos_ + kFieldHeader, n);
        pos_ += kFieldHeader + n;
        return field;
    }

    std::string String() {
        auto field = Field();
        auto text = field.first(field.size() < kMaxReadString ? field.size() : kMaxReadString);
        std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size());
        raw = raw.substr(0, raw.find('\0'));
        // The 1000-byte cut may have left half a double-byte character.
        return FromLegacy(WholeLegacyChars(raw));
    }

    std::int32_t Integer() {
        auto field = Field();
        return field.size() == 4 ? static_cast<std::int32_t>(LoadU32(field.data())) : 0;
    }

    IdList IdListField() {
        auto field = Field();
        if (field.empty()) return {};
        return IdList::FromBytes(field).value_or(IdList{});
    }

private:
    std::span<const std::uint8_t> GiveUp() {
        pos_ = end_;
        return {};
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_;
    std::size_t end_;
};

std::uint8_t LowByteBelow(std::int32_t value, unsigned limit) {
    const auto low = static_cast<std::uint8_t>(value & 0xFF);
    return low < limit ? low : 0;
}

// A string as written: legacy bytes, cut to 260 without splitting a character.
std::string StoredString(const std::string& utf8) {
    std::string legacy = ToLegacy(utf8);
    legacy.resize(LegacyCutPoint(legacy, kMaxStoredString));
    return legacy;
}

void PutString(Bytes& out, const std::string& legacy) {
    PutU32(out, static_cast<std::uint32_t>(legacy.size()));
    out.insert(out.end(), legacy.begin(), legacy.end());
}

void PutInteger(Bytes& out, std::uint32_t value) {
    PutU32(out, 4);
    PutU32(out, value);
}

void PutIdList(Bytes& out, const IdList& list) {
    PutU32(out, static_cast<std::uint32_t>(list.Size()));
    out.insert(out.end(), list.Bytes().begin(), list.Bytes().end());
}

} // namespace

void ReadItemStream(MemoryReader& in, TItemData& item) {
    item = TItemData{};
    auto data = in.Data();
    // A stored value too short for a block length holds no item.
    if (in.Remaining() < 4) {
        in.Seek(in.Size());
        return;
    }
    const std::uint32_t parentLength = LoadU32(data.data() + in.Position());
    const std::size_t parentBegin = in.Position() + 4;
    if (parentLength > data.size() - parentBegin) throw EReadError("親アイコンのサイズが大きすぎます");
    const std::size_t parentEnd = parentBegin + parentLength;

    BlockReader parent(data, parentBegin, parentEnd);
    item.IDList = parent.IdListField();
    item.Cmd = parent.String();
    if (!IsValidItem(item)) {
        // "コマンドが割り当てられていません": nothing more is read, and the caller sees an invalid record.
        in.Seek(data.size());
        return;
    }
    item.DefDir = parent.String();
    item.WndSize = LowByteBelow(parent.Integer(), 3);
    item.Tip = parent.String();
    item.CustomIcon = parent.String();
    item.HotKey = static_cast<std::uint16_t>(parent.Integer() & 0xFFFF);
    in.Seek(parentEnd);

    while (in.Remaining() >= 4) {
        const std::uint32_t length = LoadU32(data.data() + in.Position());
        const std::size_t begin = in.Position() + 4;
        if (length > data.size() - begin) break;
        const std::size_t end = begin + length;
        BlockReader block(data, begin, end);
        TChildIcon child;
        child.IDList = block.IdListField();
        child.Cmd = block.String();
        if (IsValidItem(child)) {
            child.DefDir = block.String();
            child.WndSize = LowByteBelow(block.Integer(), 3);
            child.DelayMs = block.Integer();
            child.WaitMode = LowByteBelow(block.Integer(), 3);
            child.AutoQuit = (block.Integer() & 0xFF) != 0;
            child.DupCheckMode = LowByteBelow(block.Integer(), 4);
            child.DupCheckText = block.String();
            item.Children.push_back(std::move(child));
        }
        in.Seek(end);
    }
    // Fewer than 4 trailing bytes cannot start a block: they are skipped like any unknown tail.
    in.Seek(data.size());
}

TItemData ReadItem(std::span<const std::uint8_t> data) {
    MemoryReader in(data);
    TItemData item;
    ReadItemStream(in, item);
    return item;
}

void WriteItemStream(const TItemData& item, const std::string& defaultTip, Bytes& out) {
    const std::string cmd = StoredString(item.Cmd);
    const std::string defDir = StoredString(item.DefDir);
    const std::string tip = item.Tip == defaultTip ? std::string() : StoredString(item.Tip);
    const std::string customIcon = StoredString(item.CustomIcon);

    const std::size_t parentLength =
        36 + item.IDList.Size() + cmd.size() + defDir.size() + tip.size() + customIcon.size();
    out.reserve(out.size() + 4 + parentLength + item.Children.size() * (60 + 3 * kMaxStoredString));
    PutU32(out, static_cast<std::uint32_t>(parentLength));
    PutIdList(out, item.IDList);
    PutString(out, cmd);
    PutString(out, defDir);
    PutInteger(out, item.WndSize);
    PutString(out, tip);
    PutString(out, customIcon);
    PutInteger(out, item.HotKey);

    for (const TChildIcon& child : item.Children) {
        const std::string childCmd = StoredString(child.Cmd);
        const std::string childDir = StoredString(child.DefDir);
        const std::string dupText = StoredString(child.DupCheckText);
        const std::size_t length =
            56 + child.IDList.Size() + childCmd.size() + childDir.size() + dupText.size();
        PutU32(out, static_cast<std::uint32_t>(length));
        PutIdList(out, child.IDList);
        PutString(out, childCmd);
        PutString(out, childDir);
        PutInteger(out, child.WndSize);
        PutInteger(out, static_cast<std::uint32_t>(child.DelayMs));
        PutInteger(out, child.WaitMode);
        PutInteger(out, child.AutoQuit ? 1 : 0);
        PutInteger(out, child.DupCheckMode);
        PutString(out, dupText);
    }
}

Bytes EncodeItemList(std::span<const Bytes> itemStreams) {
    Bytes out;
    PutU32(out, static_cast<std::uint32_t>(itemStreams.size()));
    for (const Bytes& stream : itemStreams) {
        PutU32(out, static_cast<std::uint32_t>(stream.size()));
        out.insert(out.end(), stream.begin(), stream.end());
    }
    return out;
}

std::vector<Bytes> SplitItemList(std::span<const std::uint8_t> payload) {
    std::vector<Bytes> streams;
    if (payload.size() < 4) return streams;
    const std::uint32_t count = LoadU32(payload.data());
    std::size_t pos = 4;
    for (std::uint32_t i = 0; i < count && payload.size() - pos >= 4; ++i) {
        const std::uint32_t size = LoadU32(payload.data() + pos);
        pos += 4;
        if (size == 0 || size > payload.size() - pos) break;
        streams.emplace_back(payload.begin() + static_cast<std::ptrdiff_t>(pos),
                             payload.begin() + static_cast<std::ptrdiff_t>(pos + size));
        pos += size;
    }
    return streams;
}

std::vector<TItemData> DecodeItemList(std::span<const std::uint8_t> payload) {
    std::vector<TItemData> items;
    for (const Bytes& stream : SplitItemList(payload))
        items.push_back(ReadItem(stream));
    return items;
}

Bytes EncodeChain(const TChildIconList& entries) {
    TItemData carrier;
    carrier.Cmd = "c:";
    carrier.Children = entries;
    Bytes out;
    // The carrier's Tip is empty, so no default name is needed to store it.
    WriteItemStream(carrier, std::string(), out);
    return out;
}

TChildIconList DecodeChain(std::span<const std::uint8_t> payload) {
    return ReadItem(payload).Children;
}

} // namespace lodestar
