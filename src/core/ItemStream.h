// The one binary form of an item and its chain, used for registry values and the private clipboard formats.
//
// All integers are 32-bit little-endian. A stream holds one item: a parent block, then one block per
// chain entry up to the end of the data. A block is a 32-bit length and that many bytes of fields;
// a field is a 32-bit length and that many bytes. Readers skip whatever follows the last field they
// know inside a block, which is how later versions may add fields.
//
// Texts are stored in the legacy encoding. A block whose texts that encoding cannot hold (an emoji, a
// letter of another script) has one more field after its known ones: "UTF8" and then, for each of its
// string fields in order, a 32-bit length and the text in UTF-8. A reader takes such a text only while
// its legacy form still equals the string field, so an item rewritten by an older version reads as that
// version wrote it. A block of texts the legacy encoding holds is stored exactly as before.
//
// A parent block may carry one more field after that one: an integer of item flags (bit 0: bring a
// running copy of the program forward). Where the block has no exact texts, an empty field stands in
// their place before it. An item without flags is stored exactly as before.
#pragma once

#include "ItemData.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lodestar {

using Bytes = std::vector<std::uint8_t>;

// Strings are stored in the legacy encoding: at most this many bytes are written, and read.
constexpr std::size_t kMaxStoredString = 260;
constexpr std::size_t kMaxReadString = 1000;

// Private clipboard formats.
constexpr unsigned ITEMLIST_CLIPFORMAT = 0x0200; // a list of items
constexpr unsigned ITEM_CLIPFORMAT = 0x0201;     // a carrier item that holds chain entries

// Read position over bytes in memory.
class MemoryReader {
public:
    explicit MemoryReader(std::span<const std::uint8_t> data) : data_(data) {}
    std::size_t Position() const { return pos_; }
    std::size_t Size() const { return data_.size(); }
    std::size_t Remaining() const { return data_.size() - pos_; }
    std::span<const std::uint8_t> Data() const { return data_; }
    void Seek(std::size_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

// Reads one item with its chain from the reader's position to the end of the data. The record is reset
// first. A parent block longer than the data raises EReadError ("親アイコンのサイズが大きすぎます");
// every other defect is absorbed: a parent without command and ID list comes back invalid (see
// IsValidItem) and without chain; invalid chain entries are left out; fields that leave their block
// read empty; ID lists whose walk does not fit their field are dropped.
void ReadItemStream(MemoryReader& in, TItemData& item);
TItemData ReadItem(std::span<const std::uint8_t> data);

// Appends the item and its chain. `defaultTip` is the item's default name: a Tip equal to it is stored
// empty, so that a name never changed follows later changes of the command.
void WriteItemStream(const TItemData& item, const std::string& defaultTip, Bytes& out);

// Item list payload: a count, then per item its byte count and its stream.
Bytes EncodeItemList(std::span<const Bytes> itemStreams);
// Splits an item list payload into item streams. Stops at the count, at a byte count of 0 or at a byte
// count larger than what remains.
std::vector<Bytes> SplitItemList(std::span<const std::uint8_t> payload);
// Reads every item of an item list payload, valid or not; EReadError from an item propagates.
std::vector<TItemData> DecodeItemList(std::span<const std::uint8_t> payload);

// Chain payload: one stream of a carrier item whose command is "c:" and whose chain is the entries.
Bytes EncodeChain(const TChildIconList& entries);
TChildIconList DecodeChain(std::span<const std::uint8_t> payload);

} // namespace lodestar
