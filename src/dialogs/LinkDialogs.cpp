#include "LinkDialogs.h"

#include "AppSettings.h"
#include "Dialogs.h"
#include "lsCommonUi.h"
#include "lsItem.h"
#include "lsMain.h"
#include "lsOpt.h"

namespace lodestar {

namespace {
// How far the editor keeps from the far edges of the screen when it opens at the cursor.
constexpr int kEditorMargin = 80;
} // namespace

void LinkDialogs() {
    ProgramDialogs().OpenOptions = [](TForm1& form) -> std::optional<TOptionsResult> {
        const bool overlayHidden = ProgramSettings().HideLinkOverlay;
        TForm2 dialog(form);
        if (!dialog.Execute()) return std::nullopt;
        TOptionsResult result;
        result.ShownGroupWritten = dialog.ShownGroupWritten();
        // The rows' icons were made with the shortcut arrows as they were chosen before OK.
        const bool iconsCurrent = ProgramSettings().HideLinkOverlay == overlayHidden;
        for (int i = 0; i < dialog.ItemCount(); ++i) {
            result.ShownItems.push_back(dialog.ItemRecordAt(i));
            if (iconsCurrent) result.ShownIcons.push_back(dialog.ItemIconAt(i));
        }
        return result;
    };
    ProgramDialogs().EditItem = [](TForm1& form, TItemData& record) {
        TForm3 editor;
        editor.SetPlacement([](HWND dialog) { PlaceNearCursor(dialog, kEditorMargin); });
        editor.ResolveShortcuts = ProgramSettings().DereferLinks;
        editor.GroupHotKeys = form.ItemHotKeys();
        editor.HeldByThisProgram = [&form](std::uint16_t hotKey) { return form.HoldsHotKey(hotKey); };
        return editor.EditItem(record);
    };
}

} // namespace lodestar
