// The shell's folder browser as a component: the user picks a folder (or, with the right option, a file or
// a virtual shell object) in the shell namespace below a chosen root. The root and the initial selection
// are special folders or names, the browser's flags come from a set of options, its window is placed at
// the owner or on the screen, and an event feeds its status line and OK button while the selection
// changes.
#pragma once

#include "Component.h"
#include "DialogPlacement.h"
#include "ItemData.h"

#include <windows.h>

#include <functional>
#include <string>

namespace lodestar {

enum TShowStyle : std::uint8_t {
    ssNone,         // where the system puts it
    ssCenterScreen, // centred across, a third down the work area
    ssClient        // at the owner's client-area origin
};

// What a selection change does to the browser's OK button.
enum TOKButtonState : std::uint8_t { obsUnchanged = 0, obsEnabled = 1, obsDisabled = 2 };

class TSHBrowseForFolderEx : public TComponent {
public:
    // The owner's window, asked for when the browser is placed with ssClient; null when it has none.
    using TOwnerWindow = std::function<HWND()>;
    // Called on every selection change with the browser's window and the selected object's file-system
    // path (empty when it has none); sets the status line's text and the OK button's state.
    using TSHBrowseEvent = std::function<void(TSHBrowseForFolderEx* sender, HWND wnd, const std::string& path,
                                              std::string& showText, TOKButtonState& okButtonState)>;
    // Called when the user confirmed. The list lives until the handler returns: copy it to keep it.
    using TSHBrowseExecuted = std::function<void(const std::string& path, const IdList& pidl)>;

    explicit TSHBrowseForFolderEx(TComponent* owner, TOwnerWindow ownerWindow = {});
    ~TSHBrowseForFolderEx() override;

    TSelectFolder SelectFolder() const { return selectFolder_; }
    void SetSelectFolder(TSelectFolder value);
    // A path or parsing name ("::{CLSID}"), used when SelectFolder is sfManual.
    const std::string& SelectFolderName() const { return selectFolderName_; }
    void SetSelectFolderName(const std::string& value);
    std::string Caption; // the text above the tree
    TSHBrowseOptions Options{sboReturnOnlyFSDirs};
    TSHBrowseEvent OnSelectionChanged;
    TRootFolder RootFolder() const { return rootFolder_; }
    void SetRootFolder(TRootFolder value);
    // A path or parsing name, used when RootFolder is rfManual.
    const std::string& RootFolderName() const { return rootFolderName_; }
    void SetRootFolderName(const std::string& value);
    TShowStyle ShowStyle() const { return showStyle_; }
    void SetShowStyle(TShowStyle value);
    TSHBrowseExecuted OnExecuted;
    void SetOwnerWindow(TOwnerWindow ownerWindow) { ownerWindow_ = std::move(ownerWindow); }

    // Runs the browser modally. True when the user confirmed: Path, DisplayName and OnExecuted then carry
    // the chosen object. False when the user cancelled or the browser could not be shown (no desktop
    // folder, no root). The application window, and the owner's window, are disabled meanwhile.
    bool Execute();
    // The chosen object's file-system path, empty when it has none (Control Panel, printers).
    const std::string& Path() const { return path_; }
    // The chosen object's name as the browser shows it.
    const std::string& DisplayName() const { return displayName_; }

protected:
    virtual void DoSelectionChanged(HWND wnd, const std::string& path, std::string& showText,
                                    TOKButtonState& okButtonState);

private:
    static int CALLBACK BrowseCallback(HWND wnd, UINT message, LPARAM param, LPARAM data) noexcept;
    void Callback(HWND wnd, UINT message, LPARAM param);
    void PlaceWindow(HWND wnd) const;
    HWND OwnerWindow() const;

    TOwnerWindow ownerWindow_;
    TSelectFolder selectFolder_ = sfDrives;
    std::string selectFolderName_;
    TRootFolder rootFolder_ = rfDesktop;
    std::string rootFolderName_;
    TShowStyle showStyle_ = ssClient;
    std::string path_;
    std::string displayName_;
    // During a run: the list to select first (absent: the browser's own choice), the tree's root and
    // whether the status line shows the selected path.
    IdList initialSelection_;
    IdList root_;
    bool showPath_ = false;
};

} // namespace lodestar
