#include "HotKeyConflicts.h"

namespace lodestar {

THotKeyConflict FindHotKeyConflict(std::uint16_t hotKey, std::uint16_t before,
                                   const std::vector<THotKeyHolder>& group,
                                   const std::function<bool(std::uint16_t)>& heldElsewhere) {
    if (hotKey == 0 || hotKey == before) return {};
    for (const THotKeyHolder& holder : group)
        if (holder.HotKey == hotKey) return {THotKeyConflictKind::hcItem, holder.Name};
    if (heldElsewhere && heldElsewhere(hotKey)) return {THotKeyConflictKind::hcProgram, {}};
    return {};
}

std::string HotKeyConflictQuestion(const THotKeyConflict& conflict, const std::string& keyText) {
    switch (conflict.Kind) {
    case THotKeyConflictKind::hcItem:
        return "ショートカットキー \"" + keyText + "\" は、同じグループのアイコン項目 '" + conflict.ItemName +
               "' に割り当てられています。\r\n同時に表示されているときは、どちらか一方でしか使えません。"
               "\r\n\r\nこのまま設定しますか？";
    case THotKeyConflictKind::hcProgram:
        return "ショートカットキー \"" + keyText +
               "\" は、ほかのプログラムが使用しているため登録できません。"
               "\r\nそのプログラムが終了するまで、このキーではアイコンを実行できません。"
               "\r\n\r\nこのまま設定しますか？";
    case THotKeyConflictKind::hcNone:
        break;
    }
    return {};
}

std::string RefusedHotKeysCaption(std::size_t count) {
    return "使えないショートカットキー (" + std::to_string(count) + " 個)(&K)";
}

std::string RefusedHotKeyEntry(const std::string& itemName, const std::string& keyText) {
    return itemName + "\t" + keyText;
}

} // namespace lodestar
