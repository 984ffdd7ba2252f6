#include "ChainRows.h"

namespace lodestar {

std::string ChainDelayText(std::int32_t delayMs, std::uint8_t waitMode) {
    std::string delay = delayMs != 0 ? std::to_string(delayMs / 1000) + "秒" : std::string();
    const char* wait = waitMode == wmInputIdle ? "(起)" : waitMode == wmExit ? "(終)" : nullptr;
    if (!wait) return delay;
    return delay.empty() ? std::string(wait) : std::string(wait) + "+" + delay;
}

TChainRowTexts ChainRowTexts(const TChildIcon& child) {
    static const char* const kDupChecks[] = {"", "★", "名", "題"};
    static const char* const kWndSizes[] = {"通常", "最小化", "最大化"};
    TChainRowTexts texts;
    texts.Delay = ChainDelayText(child.DelayMs, child.WaitMode);
    // Stored values beyond the known ones show as nothing rather than as something they are not.
    if (child.DupCheckMode < 4) texts.DupCheck = kDupChecks[child.DupCheckMode];
    if (child.AutoQuit) texts.AutoQuit = "★";
    texts.Cmd = child.Cmd.empty() ? "(特殊)" : child.Cmd;
    texts.DefDir = child.DefDir.empty() ? "(自動)" : child.DefDir;
    if (child.WndSize < 3) texts.WndSize = kWndSizes[child.WndSize];
    return texts;
}

} // namespace lodestar
