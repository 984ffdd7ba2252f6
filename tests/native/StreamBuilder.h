// Builds item streams by hand, field by field, so tests can state exactly which bytes are stored.
#pragma once

#include "ItemStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lodestar::test {

class Block {
public:
    Block& Str(const std::string& bytes) { return Raw(static_cast<std::uint32_t>(bytes.size()), bytes); }
    Block& Int(std::int32_t v) { return Raw(4, Le(static_cast<std::uint32_t>(v))); }
    // A field with any length prefix and any payload, for malformed data.
    Block& Raw(std::uint32_t length, const std::string& payload) {
        body_ += Le(length);
        body_ += payload;
        return *this;
    }
    Block& Tail(const std::string& bytes) {
        body_ += bytes;
        return *this;
    }
    // The block with its length prefix; `lengthDelta` makes the stored length lie.
    std::string Bytes(std::int64_t lengthDelta = 0) const {
        return Le(static_cast<std::uint32_t>(static_cast<std::int64_t>(body_.size()) + lengthDelta)) + body_;
    }

    static std::string Le(std::uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i)
            s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    }

private:
    std::string body_;
};

// A parent block with the seven fields.
inline Block Parent(const std::string& cmd, const std::string& idList = "", const std::string& defDir = "",
                    std::int32_t wndSize = 0, const std::string& tip = "", const std::string& icon = "",
                    std::int32_t hotKey = 0) {
    Block b;
    b.Str(idList).Str(cmd).Str(defDir).Int(wndSize).Str(tip).Str(icon).Int(hotKey);
    return b;
}

// A chain block with the nine fields.
inline Block Child(const std::string& cmd, std::int32_t wndSize = 0, std::int32_t delay = 0,
                   std::int32_t wait = 0, std::int32_t autoQuit = 0, std::int32_t dupMode = 0,
                   const std::string& dupText = "", const std::string& idList = "") {
    Block b;
    b.Str(idList).Str(cmd).Str("").Int(wndSize).Int(delay).Int(wait).Int(autoQuit).Int(dupMode).Str(dupText);
    return b;
}

inline std::vector<std::uint8_t> ToBytes(const std::string& s) {
    return {s.begin(), s.end()};
}
inline std::string ToString(const std::vector<std::uint8_t>& b) {
    return {b.begin(), b.end()};
}

// A two-item ID list: items of 5 and 4 bytes, then the terminator.
inline const std::string kIdList =
    std::string("\x05\x00\x1F\x50\xE0", 5) + std::string("\x04\x00\xAB\xCD", 4) + std::string("\x00\x00", 2);

} // namespace lodestar::test
