// Docking toolbars. A dock site frames an area of a host window (a dialog or one of its pages) with four
// docks, one per edge; the area left inside the docks is for the host's own controls. Each toolbar is a
// comctl32 toolbar control with glyph buttons, hints and optionally controls of its own (a check box), in a
// frame with a grip. Dragging the grip moves the toolbar within its dock, to another dock that allows it,
// or out of the docks into a small floating tool window owned by the host's top-level window; dragging that
// window's caption moves it or docks it again.
//
// Buttons and hosted controls report to the host as ordinary controls do: WM_COMMAND with the button's id
// and BN_CLICKED, or the control's own notification, so a dialog binds them like its own controls (ids
// other than IDOK and IDCANCEL, which end a dialog). A right-button release on a button is reported through
// OnButtonRightUp. A docked toolbar's controls are in the dialog's Tab order and answer their mnemonics.
//
// Placement (dock, row, position along the dock, floating position, visibility) is kept per toolbar under
// the program's "Window" key in a subkey named after the toolbar. A missing or damaged record, a dock the
// toolbar may not use, or a floating position off every monitor leaves the toolbar where it was created.
//
// Every window belongs to the GUI thread. When the host window goes, the docks and toolbars lose their
// windows but keep their placement, which can still be saved.
#pragma once

#include "Component.h"
#include "Handles.h"
#include "Toolbar97Layout.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {

// The stored numbers of the docks (a floating toolbar stores 0).
enum class TDockPosition { dpTop = 1, dpBottom = 2, dpLeft = 3, dpRight = 4 };

class TDockSite;
class TToolbar97;

// One edge of a dock site: a strip as thick as its rows of toolbars (none when empty).
class TDock97 final : public TComponent {
public:
    TDockPosition Position() const { return position_; }
    bool Vertical() const;
    HWND Handle() const { return handle_; }
    TDockSite& Site() const { return *site_; }

    // False: no toolbar may be dragged within, into or out of this dock. Moving toolbars by program
    // (DockTo, LoadPlacement) is not affected.
    bool AllowDrag() const { return allowDrag_; }
    void SetAllowDrag(bool allow) { allowDrag_ = allow; }

    // Docked toolbars, row by row, each row from the dock's start.
    std::vector<TToolbar97*> Toolbars() const;
    // The dock's rectangle in the host's client coordinates; a line at its edge when empty.
    RECT Bounds() const { return bounds_; }
    int RowCount() const { return static_cast<int>(rows_.RowOffsets.size()); }

    // After a toolbar was docked here (inserted) or left (not inserted).
    std::function<void(TDock97& sender, TToolbar97& toolbar, bool inserted)> OnInsertRemoveBar;

private:
    friend class TDockSite;
    friend class TToolbar97;
    TDock97(TDockSite* site, TDockPosition position);
    ~TDock97() override;

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Arrange(const RECT& bounds);
    std::vector<TToolbar97*> Members() const;

    TDockSite* site_;
    TDockPosition position_;
    HWND handle_ = nullptr;
    bool allowDrag_ = true;
    RECT bounds_{};
    TDockRows rows_;
};

class TDockSite final : public TComponent {
public:
    // The docks become child windows of `host`, filling `area` (client coordinates) from its edges. Without
    // an owner, the caller owns the site.
    TDockSite(TComponent* owner, HWND host, const RECT& area);
    ~TDockSite() override;

    HWND Host() const { return host_; }
    TDock97& Dock(TDockPosition position) const;
    std::vector<TToolbar97*> Toolbars() const;

    // The area framed by the docks, in the host's client coordinates (when the host is resized).
    void SetBounds(const RECT& area);
    RECT Bounds() const { return area_; }
    // What the docks leave of the area.
    RECT ClientRect() const { return client_; }
    // After the docks changed their thickness; the host moves its controls to ClientRect().
    std::function<void(TDockSite& sender)> OnResize;

    // A toolbar named `name` (the name of its placement record) with `caption` as the floating window's
    // title, docked at `dock`, `row`, `pos`: its default placement, where a damaged record leaves it. The
    // site owns it.
    TToolbar97& AddToolbar(std::string name, std::string caption, TDockPosition dock, int row = 0,
                           int pos = 0);

    // AllowDrag of all four docks.
    void SetAllowDrag(bool allow);
    // Every toolbar's placement from or to the registry.
    void LoadPlacements();
    bool SavePlacements() const;

private:
    friend class TDock97;
    friend class TToolbar97;
    void Arrange();

    HWND host_;
    RECT area_;
    RECT client_{};
    std::array<TDock97*, 4> docks_{};
    std::vector<TToolbar97*> toolbars_;
    bool arranging_ = false;
};

// Made by TDockSite::AddToolbar.
class TToolbar97 final : public TComponent {
public:
    const std::string& Caption() const { return caption_; }
    TDockSite& Site() const { return *site_; }

    // Glyphs: an image list the caller keeps alive as long as the toolbar, or a bitmap strip resource of
    // glyphs `glyphWidth` pixels wide that the toolbar owns (pixels of `transparent` are not drawn).
    void SetImages(HIMAGELIST images);
    void LoadImageStrip(HINSTANCE instance, const wchar_t* resource, int glyphWidth, COLORREF transparent);

    // Items, from the dock's start on.
    void AddButton(int id, int image, std::string hint, int helpContext = 0);
    void AddSeparator();
    // A control of the toolbar's own, reporting to the host like a button: a check box, for example
    // (WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP). Width 0 fits a check box's caption. A toolbar holding a
    // control docks only at the top or bottom or floats.
    HWND AddControl(const wchar_t* className, int id, const std::string& text, DWORD style, int width = 0);

    std::vector<int> ButtonIds() const;
    std::string Hint(int id) const;
    int HelpContext(int id) const; // 0: none
    bool ButtonEnabled(int id) const;
    void SetButtonEnabled(int id, bool enabled);

    // Docks the toolbar may use; all four unless set.
    void SetDockableTo(std::initializer_list<TDockPosition> docks);
    bool DockableTo(TDockPosition dock) const;

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Floating() const { return dock_ == nullptr; }
    TDock97* DockedTo() const { return dock_; }
    TDockPosition LastDock() const { return lastDock_; }
    int DockRow() const { return row_; }
    int DockPos() const { return pos_; }
    // The floating window's top left corner on the screen, also while docked (where it floats next).
    POINT FloatPosition() const { return floatPos_; }

    // Moves the toolbar into a dock; false (nothing changes) when the toolbar may not use that dock.
    bool DockTo(TDockPosition dock, int row, int pos);
    // Makes the toolbar float with its window's top left corner there.
    void Float(POINT screenTopLeft);

    // Placement from the toolbar's record under "Window". False when there is no usable record: the
    // toolbar then goes back to its default placement. Never throws.
    bool LoadPlacement();
    // False when the registry refused the record. Never throws.
    bool SavePlacement() const;

    // A right-button release on a button: its id and the mouse position on the screen.
    std::function<void(TToolbar97& sender, int buttonId, POINT screen)> OnButtonRightUp;

    // The framed toolbar (a child of its dock, or of the floating window), the comctl32 toolbar control
    // inside it, and the floating window (null while docked).
    HWND Handle() const { return frame_; }
    HWND ToolbarHandle() const { return toolbar_; }
    HWND FloatingWindow() const { return float_; }
    // Where a user grabs the toolbar to drag it, in screen coordinates: the grip while docked, the
    // caption while floating.
    POINT GripPoint() const;

private:
    friend class TDock97;
    friend class TDockSite;
    TToolbar97(TDockSite* site, std::string name, std::string caption, TDockPosition dock, int row, int pos);
    ~TToolbar97() override;

    struct TItem {
        int Id = 0;
        bool Separator = false;
        std::string Hint;
        std::wstring WideHint;
        int HelpContext = 0;
        HWND Control = nullptr;
        int Width = 0;
    };
    enum class TOrientation { Horizontal, Vertical, Floating };
    static void DestroyImages(HIMAGELIST images) { ::ImageList_Destroy(images); }
    using TOwnedImages = UniqueHandle<NullHandleTraits<HIMAGELIST, &TToolbar97::DestroyImages>>;
    struct TDragTarget {
        TDock97* Dock = nullptr; // none: floating
        int Row = 0;
        int Pos = 0;
        POINT FloatPos{};
        RECT Outline{}; // screen
    };

    static LRESULT CALLBACK FrameProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK FloatProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK ToolbarSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR data) noexcept;
    LRESULT FrameMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT FloatMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> Notify(const NMHDR& header);
    bool RightUp(LPARAM lParam);

    SIZE FrameSize(TOrientation orientation);
    void Measure();
    void ApplyOrientation(TOrientation orientation);
    void PlaceControls();
    void Attach(TDock97* dock, int row, int pos);
    RECT FloatRect(POINT topLeft);
    void SetDefault();
    bool Apply(const struct TToolbarPlacement& placement);
    bool MayDock(TDock97& dock) const;
    const TItem* Find(int id) const;

    // Dragging.
    void BeginDrag(POINT screen);
    void DragTo(POINT screen);
    void EndDrag(POINT screen, bool drop);
    TDragTarget TargetAt(POINT screen);

    TDockSite* site_;
    std::string caption_;
    HWND frame_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND float_ = nullptr;
    TOwnedImages ownImages_;
    std::vector<TItem> items_;
    std::array<bool, 4> dockable_{true, true, true, true};

    TDock97* dock_ = nullptr;
    TDockPosition lastDock_;
    int row_ = 0;
    int pos_ = 0;
    POINT floatPos_{};
    bool visible_ = true;
    TOrientation orientation_ = TOrientation::Horizontal;
    bool measured_ = false;
    std::array<SIZE, 3> toolbarSizes_{}; // per orientation

    TDockPosition defaultDock_;
    int defaultRow_;
    int defaultPos_;

    struct TDrag {
        bool Active = false;
        bool Moved = false;
        POINT Start{};
        POINT Grab{}; // cursor from the frame's (docked) or window's (floating) top left
        HWND Outline = nullptr;
    } drag_;
};

} // namespace lodestar
