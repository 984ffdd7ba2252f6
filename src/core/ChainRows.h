// What a row of an item's chain list shows besides the entry's name.
#pragma once

#include "ItemData.h"

#include <cstdint>
#include <string>

namespace lodestar {

struct TChainRowTexts {
    std::string Delay;    // wait rule and delay: "(起)+5秒", "(終)", "3秒" or empty
    std::string DupCheck; // "", "★", "名", "題"
    std::string AutoQuit; // "★" or empty
    std::string Cmd;      // the command, "(特殊)" for a shell object
    std::string DefDir;   // the working folder, "(自動)" when there is none
    std::string WndSize;  // "通常", "最小化", "最大化"
    friend bool operator==(const TChainRowTexts&, const TChainRowTexts&) = default;
};

// The wait rule and whole seconds of delay as the list shows them.
std::string ChainDelayText(std::int32_t delayMs, std::uint8_t waitMode);
TChainRowTexts ChainRowTexts(const TChildIcon& child);

} // namespace lodestar
