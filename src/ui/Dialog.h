// Modal dialogs from template resources. The dialog procedure binds the object at WM_INITDIALOG, lets go
// of it at WM_NCDESTROY and lets no exception out: a handler's exception goes to the application's
// exception handler and the dialog stays open. Commands reach handlers registered by control id and
// notification code; controls are reached by id.
#pragma once

#include "Handles.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lodestar {

class TDialog {
public:
    TDialog(const TDialog&) = delete;
    TDialog& operator=(const TDialog&) = delete;
    virtual ~TDialog();

    // Shows the dialog modally and returns the code given to EndDialog; IDCANCEL when the user closes
    // it with Esc or the close box, IDOK for Enter when no handler takes IDOK. Throws EWindowsError when
    // the dialog cannot be created, and rethrows what OnInit threw (the dialog is then gone).
    INT_PTR ShowModal(HWND owner);
    // The dialog window while it is shown, else null.
    HWND Handle() const { return handle_; }

protected:
    // The template is a resource of the program file with this integer id.
    explicit TDialog(int templateId);

    // Called at WM_INITDIALOG, after the controls exist and before the dialog is shown.
    virtual void OnInit() {}
    // Messages the dialog does not handle itself. A value is the dialog procedure's result (for most
    // messages set DWLP_MSGRESULT too); none leaves the message to the default dialog procedure.
    virtual std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Handlers for WM_COMMAND from control `id` with notification `code`; one per pair, a later one
    // replaces an earlier one.
    void OnCommand(int id, WORD code, std::function<void()> handler);
    void OnClick(int id, std::function<void()> handler) { OnCommand(id, BN_CLICKED, std::move(handler)); }
    void EndDialog(INT_PTR code);

    // The control, or null when the dialog has none of that id.
    HWND Item(int id) const;
    std::string Text(int id) const;
    void SetText(int id, std::string_view text);
    std::string Caption() const;
    void SetCaption(std::string_view text);
    bool Checked(int id) const;
    void SetChecked(int id, bool checked);
    bool Enabled(int id) const;
    void SetEnabled(int id, bool enabled);
    // The most characters the user can type into an edit control; text set by the program is not cut.
    void SetTextLimit(int id, int characters);
    // The control that has the focus when the dialog appears (from OnInit) or from now on.
    void FocusControl(int id);

    // Background of an edit or static control: a system colour (COLOR_WINDOW, COLOR_BTNFACE, ...) that
    // follows the user's colour scheme, or a fixed one. The control is repainted at once.
    void SetControlSysColor(int id, int sysColorIndex);
    void SetControlColor(int id, COLORREF color);
    void ResetControlColor(int id);

private:
    struct TCommandKey {
        int Id;
        WORD Code;
        auto operator<=>(const TCommandKey&) const = default;
    };
    struct TControlColor {
        int SysColorIndex = -1; // -1 for a fixed colour
        COLORREF Color = 0;     // the fixed colour
        UniqueBrush Brush;      // the fixed colour's; system colours use the system's shared brushes
    };

    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Initialise();
    bool Command(int id, WORD code);
    std::optional<INT_PTR> ControlColor(HDC dc, HWND control) const;
    HWND ItemOrThrow(int id) const;

    int templateId_;
    HWND handle_ = nullptr;
    bool focusSet_ = false;
    std::exception_ptr initError_;
    std::map<TCommandKey, std::function<void()>> commands_;
    std::map<int, TControlColor> colors_;
};

} // namespace lodestar
