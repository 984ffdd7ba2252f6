#include "ItemStream.h"

#include "Errors.h"
#include "LegacyText.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace lodestar {

namespace {

constexpr std::size_t kFieldHeader = 4;
// Opens the field that follows a block's known fields and holds the exact UTF-8 form of its texts.
constexpr std::string_view kExactTag = "UTF8";
// A legacy byte of a stored string is at most one character, of at most 4 UTF-8 bytes.
constexpr std::size_t kMaxExactString = 4 * kMaxReadString;
// Bits of the item flags field, the parent block's field after the exact texts.
constexpr std::uint32_t kFlagBringForward = 0x1;

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

    // A string field's legacy bytes: up to its first NUL, at most 1000 bytes, whole characters.
    std::string_view LegacyString() {
        auto field = Field();
        auto text = field.first(field.size() < kMaxReadString ? field.size() : kMaxReadString);
        std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size());
        raw = raw.substr(0, raw.find('\0'));
        // The 1000-byte cut may have left half a double-byte character.
        return WholeLegacyChars(raw);
    }

    // The exact texts of the block's string fields, from the field after the known ones; empty when the
    // block has none, or when it is not what this version writes there.
    std::vector<std::string_view> ExactTexts(std::size_t count) {
        const auto field = Field();
        std::string_view rest(reinterpret_cast<const char*>(field.data()), field.size());
        if (rest.substr(0, kExactTag.size()) != kExactTag) return {};
        rest.remove_prefix(kExactTag.size());
        std::vector<std::string_view> texts;
        while (texts.size() < count && rest.size() >= kFieldHeader) {
            const std::uint32_t n = LoadU32(reinterpret_cast<const std::uint8_t*>(rest.data()));
            if (n > rest.size() - kFieldHeader) return {};
            texts.push_back(rest.substr(kFieldHeader, n));
            rest.remove_prefix(kFieldHeader + n);
        }
        if (texts.size() != count) return {};
        return texts;
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

// A string as written: legacy bytes, cut to 260 without splitting a character, and the exact text that
// those bytes stand for.
struct StoredText {
    std::string Legacy;
    std::string Exact;
    bool Kept = true; // the legacy bytes read back as the exact text
};

StoredText Stored(const std::string& utf8) {
    StoredText text;
    if (IsAscii(utf8)) {
        text.Exact = utf8.substr(0, kMaxStoredString);
        text.Legacy = text.Exact;
        return text;
    }
    text.Legacy = ToLegacy(utf8);
    text.Exact = utf8;
    // Only a text too long for the field needs its cut found, and converting again.
    if (text.Legacy.size() > kMaxStoredString) {
        text.Exact = CutToLegacyBytes(utf8, kMaxStoredString);
        text.Legacy = ToLegacy(text.Exact);
        text.Legacy.resize(LegacyCutPoint(text.Legacy, kMaxStoredString));
    }
    text.Kept = FromLegacy(text.Legacy) == text.Exact;
    return text;
}

// The exact texts of a block whose legacy fields lose some of them; nothing when they lose none, so a
// block of such texts is stored byte for byte as older versions store it.
Bytes ExactTextsField(std::initializer_list<const StoredText*> texts) {
    Bytes field;
    if (std::all_of(texts.begin(), texts.end(), [](const StoredText* t) { return t->Kept; })) return field;
    field.insert(field.end(), kExactTag.begin(), kExactTag.end());
    for (const StoredText* text : texts) {
        PutU32(field, static_cast<std::uint32_t>(text->Exact.size()));
        field.insert(field.end(), text->Exact.begin(), text->Exact.end());
    }
    return field;
}

// A text read from its legacy bytes, or its exact form while that still stands for the same bytes: a
// version that knows no exact texts may have rewritten the legacy field and dropped or kept the rest.
std::string ReadText(std::string_view legacy, const std::vector<std::string_view>& exact, std::size_t index) {
    if (index < exact.size()) {
        const std::string_view text = exact[index];
        if (text.size() <= kMaxExactString && text.find('\0') == std::string_view::npos &&
            IsValidUtf8(text) && ToLegacy(text) == legacy)
            return std::string(text);
    }
    return FromLegacy(legacy);
}

void PutString(Bytes& out, const StoredText& text) {
    PutU32(out, static_cast<std::uint32_t>(text.Legacy.size()));
    out.insert(out.end(), text.Legacy.begin(), text.Legacy.end());
}

void PutField(Bytes& out, const Bytes& field) {
    if (field.empty()) return;
    PutU32(out, static_cast<std::uint32_t>(field.size()));
    out.insert(out.end(), field.begin(), field.end());
}

std::size_t FieldSize(const Bytes& field) {
    return field.empty() ? 0 : kFieldHeader + field.size();
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
    const std::string_view cmd = parent.LegacyString();
    item.Cmd = FromLegacy(cmd);
    if (!IsValidItem(item)) {
        // "コマンドが割り当てられていません": nothing more is read, and the caller sees an invalid record.
        in.Seek(data.size());
        return;
    }
    const std::string_view defDir = parent.LegacyString();
    item.WndSize = LowByteBelow(parent.Integer(), 3);
    const std::string_view tip = parent.LegacyString();
    const std::string_view customIcon = parent.LegacyString();
    item.HotKey = static_cast<std::uint16_t>(parent.Integer() & 0xFFFF);
    const auto exact = parent.ExactTexts(4);
    item.BringForward = (static_cast<std::uint32_t>(parent.Integer()) & kFlagBringForward) != 0;
    item.Cmd = ReadText(cmd, exact, 0);
    item.DefDir = ReadText(defDir, exact, 1);
    item.Tip = ReadText(tip, exact, 2);
    item.CustomIcon = ReadText(customIcon, exact, 3);
    in.Seek(parentEnd);

    while (in.Remaining() >= 4) {
        const std::uint32_t length = LoadU32(data.data() + in.Position());
        const std::size_t begin = in.Position() + 4;
        if (length > data.size() - begin) break;
        const std::size_t end = begin + length;
        BlockReader block(data, begin, end);
        TChildIcon child;
        child.IDList = block.IdListField();
        const std::string_view childCmd = block.LegacyString();
        child.Cmd = FromLegacy(childCmd);
        if (IsValidItem(child)) {
            const std::string_view childDir = block.LegacyString();
            child.WndSize = LowByteBelow(block.Integer(), 3);
            child.DelayMs = block.Integer();
            child.WaitMode = LowByteBelow(block.Integer(), 3);
            child.AutoQuit = (block.Integer() & 0xFF) != 0;
            child.DupCheckMode = LowByteBelow(block.Integer(), 4);
            const std::string_view dupText = block.LegacyString();
            const auto exact = block.ExactTexts(3);
            child.Cmd = ReadText(childCmd, exact, 0);
            child.DefDir = ReadText(childDir, exact, 1);
            child.DupCheckText = ReadText(dupText, exact, 2);
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
    const StoredText cmd = Stored(item.Cmd);
    const StoredText defDir = Stored(item.DefDir);
    const StoredText tip = item.Tip == defaultTip ? StoredText{} : Stored(item.Tip);
    const StoredText customIcon = Stored(item.CustomIcon);
    const Bytes exact = ExactTextsField({&cmd, &defDir, &tip, &customIcon});
    const std::uint32_t flags = item.BringForward ? kFlagBringForward : 0;
    // The flags follow the exact texts' field, which is then written even when empty.
    const std::size_t flagsSize = flags ? (exact.empty() ? kFieldHeader : 0) + kFieldHeader + 4 : 0;

    const std::size_t parentLength = 36 + item.IDList.Size() + cmd.Legacy.size() + defDir.Legacy.size() +
                                     tip.Legacy.size() + customIcon.Legacy.size() + FieldSize(exact) +
                                     flagsSize;
    out.reserve(out.size() + 4 + parentLength + item.Children.size() * (60 + 3 * kMaxStoredString));
    PutU32(out, static_cast<std::uint32_t>(parentLength));
    PutIdList(out, item.IDList);
    PutString(out, cmd);
    PutString(out, defDir);
    PutInteger(out, item.WndSize);
    PutString(out, tip);
    PutString(out, customIcon);
    PutInteger(out, item.HotKey);
    PutField(out, exact);
    if (flags) {
        if (exact.empty()) PutU32(out, 0);
        PutInteger(out, flags);
    }

    for (const TChildIcon& child : item.Children) {
        const StoredText childCmd = Stored(child.Cmd);
        const StoredText childDir = Stored(child.DefDir);
        const StoredText dupText = Stored(child.DupCheckText);
        const Bytes childExact = ExactTextsField({&childCmd, &childDir, &dupText});
        const std::size_t length = 56 + child.IDList.Size() + childCmd.Legacy.size() +
                                   childDir.Legacy.size() + dupText.Legacy.size() + FieldSize(childExact);
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
        PutField(out, childExact);
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
