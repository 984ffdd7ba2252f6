#include "ToolbarPlacement.h"

#include "LsReg.h"
#include "Settings.h"

#include <string>

namespace lodestar {

namespace {

bool UsableName(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

std::string KeyOf(std::string_view toolbarName) {
    return std::string(kWindowKey) + "\\" + std::string(toolbarName);
}

template <typename Visit> void ForEachValue(TToolbarPlacement& p, Visit&& visit) {
    visit("DockedTo", p.DockedTo);
    visit("LastDock", p.LastDock);
    visit("DockRow", p.DockRow);
    visit("DockPos", p.DockPos);
    visit("FloatLeft", p.FloatLeft);
    visit("FloatTop", p.FloatTop);
}

} // namespace

std::optional<TToolbarPlacement> ReadToolbarPlacement(std::string_view toolbarName) noexcept {
    if (!UsableName(toolbarName)) return std::nullopt;
    try {
        TLsReg reg;
        if (!reg.OpenKey(KeyOf(toolbarName), false)) return std::nullopt;
        if (reg.ReadInteger("Rev") != TToolbarPlacement::kRev) return std::nullopt;
        TToolbarPlacement placement;
        const std::optional<std::int32_t> visible = reg.ReadInteger("Visible");
        if (!visible || (*visible != 0 && *visible != 1)) return std::nullopt;
        placement.Visible = *visible != 0;
        bool whole = true;
        ForEachValue(placement, [&](const char* name, std::int32_t& field) {
            const std::optional<std::int32_t> value = reg.ReadInteger(name);
            if (value)
                field = *value;
            else
                whole = false;
        });
        if (!whole) return std::nullopt;
        return placement;
    } catch (...) {
        return std::nullopt;
    }
}

bool WriteToolbarPlacement(std::string_view toolbarName, const TToolbarPlacement& placement) noexcept {
    if (!UsableName(toolbarName)) return false;
    try {
        TLsReg reg;
        if (!reg.OpenKey(KeyOf(toolbarName), true)) return false;
        // Until the record is whole again it must not read as one.
        reg.WriteInteger("Rev", 0);
        reg.WriteBool("Visible", placement.Visible);
        TToolbarPlacement copy = placement;
        ForEachValue(copy, [&](const char* name, std::int32_t& field) { reg.WriteInteger(name, field); });
        reg.WriteInteger("Rev", TToolbarPlacement::kRev);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace lodestar
