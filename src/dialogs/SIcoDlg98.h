// The icon picker: the user chooses one icon of a file that holds icons (a program, a library, an icon
// library, an icon file). The dialog shows the file's name, all its icons in a horizontally scrolling grid,
// and hands back the file and the zero-based index of the chosen icon.
#pragma once

#include "Dialog.h"
#include "FileDialog.h"
#include "Handles.h"
#include "IcoGrid.h"
#include "ImageList.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lodestar {

namespace icodlg_detail {
inline void CloseFont(HFONT font) {
    ::DeleteObject(font);
}
} // namespace icodlg_detail

class TIcoDlg1 final : public TDialog {
public:
    // The default file is the system folder's SHELL32.DLL until SetDefaultFile says otherwise.
    TIcoDlg1();

    // The file shown when none is given or the given one holds no icons. A folder makes the file dialog
    // open by itself, in that folder, when the picker first appears without icons. Empty: the system
    // folder's SHELL32.DLL.
    void SetDefaultFile(std::string_view path);
    void SetDefaultFile() { SetDefaultFile({}); }
    const std::string& DefaultFileName() const { return DefaultFile; }

    // The view as the "IconDlgIconSize" setting stores it: 1 the magnified view (42-pixel cells, icons
    // drawn at 32×32), any other value the normal one (24-pixel cells, 16×16). Set it before PickIcon and
    // read it back afterwards, whether the user confirmed or not. The pixel sizes are those of 96 dpi;
    // the grid, its cells and its icons grow with the display scale.
    void SetIconSize(int size);
    int IconSize() const { return Grid.LargeView() ? 1 : 0; }
    // The side of the listed icons: the small icon's at the screen's scale, extracted at that size.
    int ListedIconSize() const { return IconList.Width(); }

    // Called with the dialog's window before it first appears, to place it (over its opener, say).
    void SetPlacement(std::function<void(HWND dialog)> place) { placement_ = std::move(place); }

    // Shows the icons of `file` with the icon `index` selected (the first one when the file has no icon of
    // that index; the default file's icons, after a warning, when it has none). When the user confirms,
    // `file` and `index` take the chosen icon and the result is true; otherwise both keep their values.
    // The owner is the active window, else the application window.
    bool PickIcon(std::string& file, int& index);

private:
    using UniqueFont = UniqueHandle<NullHandleTraits<HFONT, icodlg_detail::CloseFont>>;

    void OnInit() override;
    std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void FormActivate();
    void btnOkClick(); // also Enter and a double-click on an icon
    void btnBrowseClick();
    void btnLargeIconClick();

    void FitBelowGrid();
    void UseIconTitleFace();
    // Lists the icons of `file`, or of the file named in the edit when none is given.
    void LoadIcons(std::optional<std::string> file = std::nullopt);

    std::string LoadedFile; // the file whose icons are listed; empty when the last load found none
    std::string DefaultFile;
    bool browseOnOpen_ = false;
    TImageList IconList;
    TIcoGrid Grid;
    TOpenDialog OpenDlg;
    UniqueFont font_;
    std::function<void(HWND)> placement_;
    // PickIcon's values while the dialog is shown.
    std::string pickFile_;
    int pickIndex_ = 0;
};

} // namespace lodestar
