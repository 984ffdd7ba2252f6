#include "SHBFFEX.h"

#include "Application.h"
#include "Handles.h"
#include "PlaceDialog.h"
#include "WinText.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

namespace lodestar {

namespace {

// The components whose browser is open on this thread: the only callback data the callback trusts.
thread_local std::vector<TSHBrowseForFolderEx*> running;

class TRunning {
public:
    explicit TRunning(TSHBrowseForFolderEx* component) : component_(component) {
        running.push_back(component);
    }
    TRunning(const TRunning&) = delete;
    TRunning& operator=(const TRunning&) = delete;
    ~TRunning() { running.erase(std::find(running.begin(), running.end(), component_)); }

private:
    TSHBrowseForFolderEx* component_;
};

// The application window (and the owner's window) stay disabled while the browser is open, so that no
// command of theirs runs beneath it; however the browser ends, they are enabled again and the owner (or,
// without one, the application window) comes back to the foreground. A window that was disabled already
// is left disabled.
class TModalScope {
public:
    TModalScope(HWND application, HWND owner)
        : application_(Disable(application)), owner_(owner != application ? Disable(owner) : nullptr),
          foreground_(owner ? owner : application) {}
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;
    ~TModalScope() {
        if (owner_) ::EnableWindow(owner_, TRUE);
        if (application_) ::EnableWindow(application_, TRUE);
        if (foreground_ && ::IsWindow(foreground_)) ::SetForegroundWindow(foreground_);
    }

private:
    static HWND Disable(HWND window) {
        if (!window || !::IsWindow(window) || !::IsWindowEnabled(window)) return nullptr;
        ::EnableWindow(window, FALSE);
        return window;
    }

    HWND application_;
    HWND owner_;
    HWND foreground_;
};

// Copies a list the shell handed out and frees the shell's block at once.
IdList TakeList(ITEMIDLIST* list) {
    const UniqueCoTask<ITEMIDLIST> owned(list);
    if (!owned) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(owned.Get());
    return IdList::FromBytes({bytes, IdList::WalkedSize(bytes)}).value_or(IdList());
}

const ITEMIDLIST* ListPointer(const IdList& list) {
    return reinterpret_cast<const ITEMIDLIST*>(list.Data());
}

std::string PathOf(const ITEMIDLIST* list) {
    std::array<wchar_t, MAX_PATH> buffer{};
    if (!list || !::SHGetPathFromIDListW(list, buffer.data())) return {};
    buffer.back() = L'\0';
    return Narrow(buffer.data());
}

// The list of a name that the desktop parses and that names a folder (or something with subfolders);
// none otherwise.
IdList ParsedFolder(IShellFolder* desktop, const std::string& name) {
    std::wstring wide = Widen(name);
    ULONG eaten = 0;
    ITEMIDLIST* parsed = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, &parsed, nullptr))) return {};
    IdList list = TakeList(parsed);
    if (!list || list.Size() == 2) return list; // the desktop itself
    // The attributes are asked of the last item's own folder: the desktop answers reliably only for its
    // direct children.
    ComPtr<IShellFolder> parent;
    const ITEMIDLIST* child = nullptr;
    if (FAILED(::SHBindToParent(ListPointer(list), IID_IShellFolder, parent.PutVoid(), &child))) return {};
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
    if (FAILED(parent->GetAttributesOf(1, &child, &attributes))) return {};
    if (!(attributes & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER))) return {};
    return list;
}

// The object's name as the shell shows it; empty when it has none.
std::string ShellName(const IdList& list) {
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list.Data()), 0, &info, sizeof info,
                          SHGFI_PIDL | SHGFI_DISPLAYNAME))
        return {};
    info.szDisplayName[MAX_PATH - 1] = L'\0';
    return Narrow(info.szDisplayName);
}

IdList SpecialFolder(int csidl) {
    ITEMIDLIST* list = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &list))) return {};
    return TakeList(list);
}

IdList Resolve(IShellFolder* desktop, bool manual, const std::string& name, int csidl) {
    if (manual && !name.empty())
        if (IdList list = ParsedFolder(desktop, name)) return list;
    return SpecialFolder(csidl);
}

// Selects the tree's top item. Some browsers (Wine's) take the desktop's empty list for the desktop's first
// child, so the root is selected through the tree itself; the browser hears of it as of a user's click.
void SelectTreeRoot(HWND browser) {
    const HWND tree = ::FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
    if (!tree) return;
    const LPARAM root = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (root) ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, root);
}

} // namespace

TSHBrowseForFolderEx::TSHBrowseForFolderEx(TComponent* owner, TOwnerWindow ownerWindow)
    : TComponent(owner), ownerWindow_(std::move(ownerWindow)) {}

TSHBrowseForFolderEx::~TSHBrowseForFolderEx() = default;

void TSHBrowseForFolderEx::SetSelectFolder(TSelectFolder value) {
    if (value != selectFolder_) selectFolder_ = value;
}

void TSHBrowseForFolderEx::SetSelectFolderName(const std::string& value) {
    if (value != selectFolderName_) selectFolderName_ = value;
}

void TSHBrowseForFolderEx::SetRootFolder(TRootFolder value) {
    if (value != rootFolder_) rootFolder_ = value;
}

void TSHBrowseForFolderEx::SetRootFolderName(const std::string& value) {
    if (value != rootFolderName_) rootFolderName_ = value;
}

void TSHBrowseForFolderEx::SetShowStyle(TShowStyle value) {
    if (value != showStyle_) showStyle_ = value;
}

HWND TSHBrowseForFolderEx::OwnerWindow() const {
    const HWND window = ownerWindow_ ? ownerWindow_() : nullptr;
    return window && ::IsWindow(window) ? window : nullptr;
}

bool TSHBrowseForFolderEx::Execute() {
    path_.clear();
    displayName_.clear();

    ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.Put())) || !desktop) return false;

    initialSelection_ =
        Resolve(desktop.Get(), selectFolder_ == sfManual, selectFolderName_, SpecialFolderId(selectFolder_));
    root_ = Resolve(desktop.Get(), rootFolder_ == rfManual, rootFolderName_, SpecialFolderId(rootFolder_));
    if (!root_) {
        initialSelection_ = {};
        return false;
    }

    const TBrowseFlags flags = BrowseFlags(Options);
    showPath_ = flags.ShowPath;
    std::array<wchar_t, MAX_PATH> displayName{};
    const std::wstring title = Widen(Caption);

    BROWSEINFOW info{};
    info.hwndOwner = Application::Handle();
    info.pidlRoot = ListPointer(root_);
    info.pszDisplayName = displayName.data();
    info.lpszTitle = title.c_str();
    info.ulFlags = flags.Flags;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    IdList chosen;
    {
        const TRunning runningScope(this);
        const TModalScope modal(info.hwndOwner, OwnerWindow());
        chosen = TakeList(::SHBrowseForFolderW(&info));
    }
    initialSelection_ = {};
    root_ = {};
    if (!chosen) return false;

    displayName.back() = L'\0';
    displayName_ = Narrow(displayName.data());
    // Some browsers (Wine's) report the path there, which objects such as My Computer lack: the shell
    // still knows their names.
    if (displayName_.empty()) displayName_ = ShellName(chosen);
    path_ = PathOf(ListPointer(chosen));
    if (OnExecuted) OnExecuted(path_, chosen);
    return true;
}

void TSHBrowseForFolderEx::DoSelectionChanged(HWND wnd, const std::string& path, std::string& showText,
                                              TOKButtonState& okButtonState) {
    if (OnSelectionChanged) OnSelectionChanged(this, wnd, path, showText, okButtonState);
}

int CALLBACK TSHBrowseForFolderEx::BrowseCallback(HWND wnd, UINT message, LPARAM param,
                                                  LPARAM data) noexcept {
    try {
        auto* component = reinterpret_cast<TSHBrowseForFolderEx*>(data);
        if (std::find(running.begin(), running.end(), component) != running.end())
            component->Callback(wnd, message, param);
    } catch (...) {
        Application::HandleException(std::current_exception());
    }
    return 0;
}

void TSHBrowseForFolderEx::Callback(HWND wnd, UINT message, LPARAM param) {
    std::string path;
    std::string showText;
    TOKButtonState okButtonState = obsUnchanged;

    if (message == BFFM_INITIALIZED) {
        if (initialSelection_ == root_)
            SelectTreeRoot(wnd);
        else if (initialSelection_)
            ::SendMessageW(wnd, BFFM_SETSELECTIONW, FALSE,
                           reinterpret_cast<LPARAM>(initialSelection_.Data()));
        PlaceWindow(wnd);
    } else if (message == BFFM_SELCHANGED) {
        path = PathOf(reinterpret_cast<const ITEMIDLIST*>(param));
        DoSelectionChanged(wnd, path, showText, okButtonState);
    }

    if (showPath_) showText = path;
    const std::wstring status = Widen(showText);
    ::SendMessageW(wnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
    if (okButtonState != obsUnchanged) {
        const LPARAM enable = okButtonState == obsEnabled;
        ::SendMessageW(wnd, BFFM_ENABLEOK, 0, enable);
        // Some browsers (Wine's) check the new selection themselves after telling us and set the button
        // again; the posted copy arrives after that check, so the event's word is the last.
        ::PostMessageW(wnd, BFFM_ENABLEOK, 0, enable);
    }
}

void TSHBrowseForFolderEx::PlaceWindow(HWND wnd) const {
    POINT position{};
    if (showStyle_ == ssCenterScreen) {
        RECT bounds{};
        if (!::GetWindowRect(wnd, &bounds)) return;
        const TPoint p =
            CenterScreenPosition(SystemWorkArea(), bounds.right - bounds.left, bounds.bottom - bounds.top);
        position = {p.X, p.Y};
    } else if (showStyle_ == ssClient) {
        const HWND owner = OwnerWindow();
        if (!owner) return;
        ::ClientToScreen(owner, &position);
    } else {
        return;
    }
    ::SetWindowPos(wnd, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace lodestar
