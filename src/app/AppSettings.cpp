#include "AppSettings.h"

#include "LsReg.h"
#include "lsCommonUi.h"

namespace lodestar {

TSettings& ProgramSettings() {
    static TSettings settings;
    return settings;
}

void WarnOnceWhenSettingsCannotBeKept() {
    ProgramKeyUnavailableNotice() = [] {
        ShowErrorBox(
            "設定を保存するレジストリ キーを作成できません。\r既定の設定で起動します。設定の変更は保存"
            "されません。",
            MB_ICONEXCLAMATION);
    };
}

} // namespace lodestar
