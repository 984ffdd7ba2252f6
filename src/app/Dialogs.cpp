#include "Dialogs.h"

#include "Application.h"
#include "IconItem.h"
#include "Seams.h"

namespace lodestar {

namespace {
void NotYet(const std::string& what) {
    Seams().MessageBox(Application::Handle(), what + "は、このバージョンではまだ利用できません。", Application::Title(),
                       MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}
} // namespace

TProgramDialogs& ProgramDialogs() {
    static TProgramDialogs dialogs{
        [](TForm1&) -> std::optional<TOptionsResult> {
            NotYet("管理＆設定ダイアログ");
            return std::nullopt;
        },
        [](TForm1&, TItemData&) {
            NotYet("アイコン項目のプロパティ");
            return false;
        },
        [](TForm1&, TIconItem& item, bool) {
            Seams().MessageBox(Application::Handle(), "起動: " + (item.Cmd.empty() ? item.Hint() : item.Cmd),
                               Application::Title(), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        },
        [](TForm1&, TIconItem&) { NotYet("ファイルのプロパティ"); },
    };
    return dialogs;
}

} // namespace lodestar
