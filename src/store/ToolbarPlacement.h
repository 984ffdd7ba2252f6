// Where a docking toolbar was left: one record per toolbar, a subkey of the "Window" key named after the
// toolbar. Every value is a DWORD; "Rev" marks the record's layout and is written last, so that a record
// cut short by a failing registry is not taken for a whole one.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lodestar {

struct TToolbarPlacement {
    static constexpr std::int32_t kRev = 3;
    // Values of DockedTo and LastDock: 0 floating, 1 top, 2 bottom, 3 left, 4 right.
    static constexpr std::int32_t kFloating = 0;

    bool Visible = true;
    std::int32_t DockedTo = 1;
    std::int32_t LastDock = 1; // the dock it was in last; only for a floating toolbar does it differ
    std::int32_t DockRow = 0;
    std::int32_t DockPos = 0;   // pixels from the dock's start
    std::int32_t FloatLeft = 0; // screen position of the floating window
    std::int32_t FloatTop = 0;

    friend bool operator==(const TToolbarPlacement&, const TToolbarPlacement&) = default;
};

// The stored record; none when the key or any value is missing, a value has another type, "Visible" is not 0
// or 1, or "Rev" is not 3. Ranges of the other values are the reader's to judge. Never throws.
std::optional<TToolbarPlacement> ReadToolbarPlacement(std::string_view toolbarName) noexcept;
// False when the name cannot be a key name or the registry refused a value. Never throws.
bool WriteToolbarPlacement(std::string_view toolbarName, const TToolbarPlacement& placement) noexcept;

} // namespace lodestar
