// The stored tree as a JSON document, for export, import and inspection of items.
//
// Reading a document checks all of it before anything is used: a field that is unknown, of the wrong
// type or out of range raises EDocumentError naming its place ("Groups[3].Items[0].WndSize").
#pragma once

#include "Errors.h"
#include "ItemData.h"
#include "Settings.h"

#include <nlohmann/json.hpp>

#include <array>
#include <string>
#include <vector>

namespace lodestar {

class EDocumentError : public EProgramError {
public:
    EDocumentError(const std::string& place, const std::string& message)
        : EProgramError(place.empty() ? message : place + ": " + message) {}
};

struct TStoredGroup {
    std::string Name;
    std::vector<TItemData> Items;
    friend bool operator==(const TStoredGroup&, const TStoredGroup&) = default;
};

struct TStoreDocument {
    TSettings Settings;
    TWindowSettings Window;
    std::array<TStoredGroup, kGroupCount> Groups;
    friend bool operator==(const TStoreDocument&, const TStoreDocument&) = default;
};

std::string ToHex(std::span<const std::uint8_t> bytes);
// Lowercase or uppercase hex digits; blanks and line ends between byte pairs are ignored.
std::vector<std::uint8_t> FromHex(std::string_view text, const std::string& place);

nlohmann::ordered_json ItemToJson(const TItemData& item);
TItemData ItemFromJson(const nlohmann::json& json, const std::string& place);

nlohmann::ordered_json DocumentToJson(const TStoreDocument& document);
TStoreDocument DocumentFromJson(const nlohmann::json& json);

} // namespace lodestar
