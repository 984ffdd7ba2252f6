// Dialogs from template resources: modal dialogs, and pages (modeless child dialogs inside another
// dialog). One dialog procedure serves both: it binds the object at WM_INITDIALOG, lets go of it at
// WM_NCDESTROY and lets no exception out: a handler's exception goes to the application's exception
// handler and the dialog stays open.
//
// Messages reach handlers bound by control id (and notification code where there is one): WM_COMMAND,
// WM_NOTIFY (the handler's result is the message's result), WM_HSCROLL/WM_VSCROLL from track bars,
// up-down controls and scroll bars, WM_DRAWITEM and WM_CONTEXTMENU. WM_HELP shows the help context of the
// control or of the dialog (Help.h); WM_GETMINMAXINFO answers the minimum size.
//
// Key preview: keys pressed anywhere in a modal dialog (its pages included) reach the dialog's preview
// handler before the focused control. The dialog manager's modal loop hands every message to the
// thread's WH_MSGFILTER hooks (MSGF_DIALOGBOX) before it lets the dialog or the control have it; one such
// hook per thread serves every modal dialog, innermost first. While a row drag runs (ListRowDrag.h), the
// keys go to the drag instead, neither to the preview nor to the dialog manager.
//
// A dialog is a component: controls given a name (NameControl) are found with FindComponent, and a
// dialog created with an owner component goes with it.
#pragma once

#include "Component.h"
#include "Handles.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lodestar {

class TDialog;

// The text of any window, in UTF-8.
std::string WindowText(HWND window);
// Throws EWindowsError when the window refuses it.
void SetWindowTextUtf8(HWND window, std::string_view text);

// A control of a dialog known by name, as the browse actions of the item editors find their edits.
class TDialogControl final : public TComponent {
public:
    TDialogControl(TDialog* dialog, int id, std::string name);
    TDialog& Dialog() const { return dialog_; }
    int Id() const { return id_; }
    // The control window while the dialog is shown, else null.
    HWND Handle() const;

private:
    TDialog& dialog_;
    int id_;
};

class TDialog : public TComponent {
public:
    TDialog(const TDialog&) = delete;
    TDialog& operator=(const TDialog&) = delete;
    ~TDialog() override;

    // Shows the dialog modally and returns the code given to EndDialog; IDCANCEL when the user closes
    // it with Esc or the close box, IDOK for Enter when no handler takes IDOK. Throws EWindowsError when
    // the dialog cannot be created, and rethrows what OnInit threw (the dialog is then gone).
    INT_PTR ShowModal(HWND owner);
    // Creates the dialog as a page inside `parent`: a hidden modeless child window from a template with
    // the styles WS_CHILD | DS_CONTROL. Its window goes with the parent's (or with DestroyPage). Throws
    // as ShowModal does.
    HWND CreatePage(HWND parent);
    void DestroyPage();
    // The dialog window while it exists, else null.
    HWND Handle() const { return handle_; }

    // Handlers are bound by control id; one per (id, code) pair, a later one replaces an earlier one. A
    // dialog binds the handlers of its own controls, and may bind those of its pages' controls.
    //
    // WM_COMMAND from control `id` with notification `code`.
    void OnCommand(int id, WORD code, std::function<void()> handler);
    void OnClick(int id, std::function<void()> handler) { OnCommand(id, BN_CLICKED, std::move(handler)); }
    // WM_NOTIFY from control `id` with notification `code` (LVN_ENDLABELEDITW, TCN_SELCHANGING, ...). The
    // handler's result is the message's result (DWLP_MSGRESULT). A handler that throws answers 0.
    using TNotifyHandler = std::function<LRESULT(NMHDR& header)>;
    void OnNotify(int id, UINT code, TNotifyHandler handler);
    // WM_HSCROLL and WM_VSCROLL from control `id` (a track bar, an up-down control, a scroll bar); the
    // argument is the scroll request (TB_THUMBTRACK, TB_ENDTRACK, SB_LINEUP, ...).
    void OnScroll(int id, std::function<void(int request)> handler);
    // WM_DRAWITEM for the owner-drawn control `id`.
    void OnDrawItem(int id, std::function<void(const DRAWITEMSTRUCT& item)> handler);
    // WM_CONTEXTMENU over control `id` (a right click, Shift+F10 or the menu key), also over a static
    // text or picture, which do not take the mouse themselves. The point is in screen coordinates; for
    // the keyboard it is the control's top-left corner.
    void OnContextMenu(int id, std::function<void(POINT screen)> handler);
    // Keys (WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR and their ends) meant for any window of the modal dialog
    // reach this handler first; it returns true when it took the key, which then goes no further. Bound
    // before ShowModal.
    void OnKeyPreview(std::function<bool(const MSG& message)> handler);

    // The smallest outer size the user can give the dialog, in pixels; none when zero.
    void SetMinTrackSize(SIZE size) { minTrackSize_ = size; }

    // Help contexts (numbers of topics of the help file): of a control, and of the dialog for controls
    // without one. F1 or the caption's help button shows the control's context as a popup; 0 is none.
    void SetHelpContext(int id, int context);
    void SetDialogHelpContext(int context) { dialogHelpContext_ = context; }
    // The control's own context; for a static label, that of the control it labels (the next control
    // that takes the tab key, as the label's mnemonic focuses it); else 0.
    int HelpContextOf(HWND control) const;
    // Shows the control's help context as a popup; returns false (showing nothing) when it has none.
    bool ShowHelpPopupFor(HWND control) const;
    // A right click on one of these controls (labels and pictures too) opens the help menu, whose one
    // entry "ヘルプ(&H)" shows the control's help context as a popup (for a label: that of the control
    // it labels); without a context the entry does nothing. A page binds the menu for its own controls.
    void BindHelpMenu(std::initializer_list<int> ids);
    // Opens the help menu at a screen point for a help context (0: the entry does nothing); for callers
    // that are not controls of a dialog, such as toolbar buttons.
    void PopupHelpMenu(int context, POINT screen);

    // Gives control `id` a name by which FindComponent finds it (TDialogControl).
    TDialogControl* NameControl(int id, std::string name);
    // The named control's window, or null.
    HWND FindControl(std::string_view name) const;

protected:
    // The template is a resource of the program file with this integer id.
    explicit TDialog(int templateId, TComponent* owner = nullptr);

    // Called at WM_INITDIALOG, after the controls exist and before the dialog is shown.
    virtual void OnInit() {}
    // Messages the dialog does not handle itself. A value is the dialog procedure's result (for most
    // messages set DWLP_MSGRESULT too); none leaves the message to the default dialog procedure.
    virtual std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void EndDialog(INT_PTR code);

    // The control, or null when the dialog has none of that id.
    HWND Item(int id) const;
    // The control; throws EProgramError when the dialog has none of that id.
    HWND ItemOrThrow(int id) const;
    std::string Text(int id) const;
    void SetText(int id, std::string_view text);
    std::string Caption() const;
    void SetCaption(std::string_view text);
    bool Checked(int id) const;
    void SetChecked(int id, bool checked);
    bool Enabled(int id) const;
    void SetEnabled(int id, bool enabled);
    void SetVisible(int id, bool visible);
    // The most characters the user can type into an edit control; text set by the program is not cut.
    void SetTextLimit(int id, int characters);
    // The control that has the focus when the dialog appears (from OnInit) or from now on.
    void FocusControl(int id);
    // The same for a control of one of the dialog's pages.
    void FocusControl(HWND control);

    // Background of an edit or static control: a system colour (COLOR_WINDOW, COLOR_BTNFACE, ...) that
    // follows the user's colour scheme, or a fixed one. The control is repainted at once.
    void SetControlSysColor(int id, int sysColorIndex);
    // The icon an SS_ICON static shows; the caller keeps the icon alive while it is shown.
    void SetStaticIcon(int id, HICON icon);
    void SetControlColor(int id, COLORREF color);
    void ResetControlColor(int id);

private:
    struct TCommandKey {
        int Id;
        UINT Code;
        auto operator<=>(const TCommandKey&) const = default;
    };
    struct TControlColor {
        int SysColorIndex = -1; // -1 for a fixed colour
        COLORREF Color = 0;     // the fixed colour
        UniqueBrush Brush;      // the fixed colour's; system colours use the system's shared brushes
    };
    class TKeyPreviewScope;

    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Initialise();
    bool Command(int id, WORD code);
    std::optional<INT_PTR> Notify(NMHDR& header);
    bool Scroll(HWND control, int request);
    bool ContextMenu(HWND window, LPARAM point);
    bool Help(const HELPINFO& info);
    bool PreviewKey(const MSG& message);
    std::optional<INT_PTR> ControlColor(HDC dc, HWND control) const;
    // The id of `window` when it is one of this dialog's controls (a direct child), else nothing.
    std::optional<int> OwnControlId(HWND window) const;

    int templateId_;
    HWND handle_ = nullptr;
    bool page_ = false;
    bool focusSet_ = false;
    std::exception_ptr initError_;
    std::map<TCommandKey, std::function<void()>> commands_;
    std::map<TCommandKey, TNotifyHandler> notifications_;
    std::map<int, std::function<void(int)>> scrolls_;
    std::map<int, std::function<void(const DRAWITEMSTRUCT&)>> drawItems_;
    std::map<int, std::function<void(POINT)>> contextMenus_;
    std::function<bool(const MSG&)> keyPreview_;
    std::map<int, TControlColor> colors_;
    std::map<int, int> helpContexts_;
    int dialogHelpContext_ = 0;
    SIZE minTrackSize_{0, 0};
};

// A page made from its own template, whose handlers the dialog that holds it binds and whose controls
// it reads: a plain TDialog with the control helpers open to that dialog.
class TDialogPage final : public TDialog {
public:
    explicit TDialogPage(int templateId, TComponent* owner = nullptr) : TDialog(templateId, owner) {}

    using TDialog::Checked;
    using TDialog::Enabled;
    using TDialog::FocusControl;
    using TDialog::Item;
    using TDialog::ItemOrThrow;
    using TDialog::ResetControlColor;
    using TDialog::SetChecked;
    using TDialog::SetControlColor;
    using TDialog::SetControlSysColor;
    using TDialog::SetEnabled;
    using TDialog::SetStaticIcon;
    using TDialog::SetText;
    using TDialog::SetTextLimit;
    using TDialog::SetVisible;
    using TDialog::Text;
};

} // namespace lodestar
