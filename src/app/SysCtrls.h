// A notification-area ("tray") icon as a component: adds, changes and removes the icon through the
// shell, shows a tip, and turns the shell's mouse notifications into events.
#pragma once

#include "Component.h"
#include "Errors.h"
#include "Handles.h"
#include "Menus.h"
#include "MessageWindow.h"
#include "ShiftState.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lodestar {

class EIconTrayError : public EProgramError {
public:
    EIconTrayError() : EProgramError("Registration Error") {}
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The shell's notifications arrive as this message on the icons' hidden window, wParam holding the icon's
// IconID.
constexpr UINT kTrayCallbackMessage = WM_USER;
// At most this many bytes of the legacy encoding reach the tray tip.
constexpr std::size_t kMaxTipBytes = 63;

class TIconTray : public TComponent {
public:
    using TNotifyEvent = std::function<void(TComponent* sender)>;
    using TMouseEvent =
        std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;

    explicit TIconTray(TComponent* owner);
    ~TIconTray() override;

    // The icon is copied; an empty icon (null) takes the icon out of the tray, a real one adds it again.
    HICON Icon() const { return icon_.Get(); }
    void SetIcon(HICON icon);
    // Adopts the handle without copying it.
    void TakeIcon(UniqueIcon icon);

    // The full name is kept; only the tip given to the shell is cut to 63 bytes.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);

    bool HideMainForm = false;
    void Loaded();

    TPopupMenu* RBtnPopupMenu() const { return rbtnMenu_; }
    TPopupMenu* LBtnPopupMenu() const { return lbtnMenu_; }
    void SetRBtnPopupMenu(TPopupMenu* menu);
    void SetLBtnPopupMenu(TPopupMenu* menu);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    std::uint32_t IconID() const { return iconId_; }
    // Gives the icon a fixed identifier (TrayIdentity.h), so that Windows finds the user's choice for it
    // again; a shown icon moves to the new identifier. False, and nothing changes, when another icon holds
    // it or it lies in the counted range.
    bool SetIconID(std::uint32_t id);
    bool Registered() const { return registered_; }
    // The hidden window the shell reports to; all icons of the program share it, told apart by IconID.
    HWND WindowHandle() const;
    // The block last handed to the shell.
    const NOTIFYICONDATAW& NotifyData() const { return notifyData_; }

    // Sends the icon to the shell (show) or takes it away; the only place that talks to the shell.
    void UpdateTrayIcon(bool show);
    // Destroys the icon, or, while a notification of it is being handled, takes it out of the tray and away
    // from its owner at once and destroys it when that handling has ended: a handler may delete its own
    // icon, and nothing of the icon is freed under the code that called it.
    static void Release(TIconTray* icon);

    // While one lives, icons that leave the tray stay in the notification area; they go once the last has
    // ended and the messages posted before have been handled. A group's icons take the place of another's
    // without waiting for hundreds of removals first. An icon added under an identifier still held back
    // takes its predecessor's place.
    class TRemovalsDeferred {
    public:
        TRemovalsDeferred();
        ~TRemovalsDeferred();
        TRemovalsDeferred(const TRemovalsDeferred&) = delete;
        TRemovalsDeferred& operator=(const TRemovalsDeferred&) = delete;
    };

    // After the taskbar was created anew: add this icon again, when it has one. The shell may still know it
    // (Windows also announces a new taskbar when only the display scale changed): then it is brought up to
    // date, or taken away and added anew. EIconTrayError when the shell takes it in no way.
    void ReAdd();

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // What a release does at once: the icon leaves the tray and its owner, and answers no notification.
    virtual void Detach();
    virtual void DoClick();
    virtual void DoDblClick();
    virtual void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseMove(TShiftState shift, int x, int y);
    void PopupAtCursor(POINT position, TPopupMenu* menu);

private:
    void TrayMessage(LPARAM mouseMessage);
    // The shared window's messages: the shell's notifications go to the icon whose IconID they carry.
    static std::optional<LRESULT> SharedWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    NOTIFYICONDATAW Block() const;

    std::uint32_t iconId_;
    UniqueIcon icon_;
    std::string hint_;
    bool showHint_ = true;
    bool registered_ = false;
    TPopupMenu* rbtnMenu_ = nullptr;
    TPopupMenu* lbtnMenu_ = nullptr;
    NOTIFYICONDATAW notifyData_{};
};

class EShellLinkError : public EProgramError {
public:
    using EProgramError::EProgramError;
};

// The shell's special folders by their CSIDL numbers.
enum class TShellLinkType {
    lnkDesktop,
    lnkReserved1,
    lnkPrograms,
    lnkControls,
    lnkPrinters,
    lnkPersonal,
    lnkFavorites,
    lnkStartup,
    lnkRecent,
    lnkSendTo,
    lnkBitBucket,
    lnkStartMenu,
    lnkReserved2,
    lnkReserved3,
    lnkReserved4,
    lnkReserved5,
    lnkDesktopDirectory,
    lnkDrives,
    lnkNetwork,
    lnkNetHood,
    lnkFonts,
    lnkTemplates,
    lnkCommonStartMenu,
    lnkCommonPrograms,
    lnkCommonStartup,
    lnkCommonDesktopDirectory,
    lnkAppData,
    lnkPrintHood,
};

enum class TShellLinkWindowState { wsNormal, wsMinimized, wsMaximized };

// Writes one shortcut file into a special folder.
class TShellLink : public TComponent {
public:
    explicit TShellLink(TComponent* owner) : TComponent(owner) {}

    std::string Arguments;
    std::string Description;
    std::uint16_t HotKey = 0; // a stored shortcut word; 0 for none
    int IconIndex = 0;        // kept only: the shortcut's icon is always the target's first
    TShellLinkType LinkType = TShellLinkType::lnkDesktop;
    TShellLinkWindowState WindowState = TShellLinkWindowState::wsNormal;
    std::string WorkDir;

    // The target. A new name fills an empty Description with the file's name without folder and
    // extension, and an empty WorkDir with its folder.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name);

    // Writes "<folder of LinkType>\<target's name>.lnk", overwriting a file of that name; returns its path.
    // EShellLinkError when the folder or the shell's shortcut object cannot be had.
    std::string CreateLink();

    // The path of a special folder; empty when the shell has none.
    static std::string SpecialFolderPath(TShellLinkType type);

private:
    std::string fileName_;
};

// The shift state of the moment, from the keyboard seam.
TShiftState CurrentShiftState();

} // namespace lodestar
