#include "Dialogs.h"

#include "Application.h"
#include "IconItem.h"
#include "Launch.h"
#include "lsMain.h"
#include "Seams.h"

namespace lodestar {

namespace {
void NotYet(const std::string& what) {
    Seams().MessageBox(Application::Handle(), what + "は、このバージョンではまだ利用できません。",
                       Application::Title(), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
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
        [](TForm1& form, TIconItem& item, bool byHotKey) { LaunchItem(form, item, byHotKey); },
        [](TForm1& form, TIconItem& item) { ShowItemProperties(item, form.Handle()); },
    };
    return dialogs;
}

} // namespace lodestar
