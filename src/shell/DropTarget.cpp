#include "DropTarget.h"

#include "Application.h"
#include "ControlsListView.h"
#include "Seams.h"
#include "WinText.h"

#include <shlguid.h>

#include <cstdlib>

namespace lodestar {

namespace {

constexpr UINT_PTR kAutoScrollTimer = 1;
constexpr UINT kAutoScrollInterval = 100;

// A storage medium handed out by a data object, released whatever happens.
class TStorageMedium {
public:
    TStorageMedium() = default;
    TStorageMedium(const TStorageMedium&) = delete;
    TStorageMedium& operator=(const TStorageMedium&) = delete;
    ~TStorageMedium() {
        if (filled_) ::ReleaseStgMedium(&medium_);
    }
    STGMEDIUM* Put() {
        filled_ = true;
        return &medium_;
    }
    const STGMEDIUM& Get() const { return medium_; }

private:
    STGMEDIUM medium_{};
    bool filled_ = false;
};

class TGlobalLock {
public:
    explicit TGlobalLock(HGLOBAL block) : block_(block), data_(::GlobalLock(block)) {}
    TGlobalLock(const TGlobalLock&) = delete;
    TGlobalLock& operator=(const TGlobalLock&) = delete;
    ~TGlobalLock() {
        if (data_) ::GlobalUnlock(block_);
    }
    const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(data_); }

private:
    HGLOBAL block_;
    void* data_;
};

FORMATETC GlobalFormat(CLIPFORMAT format) {
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

CLIPFORMAT PreferredDropEffectFormat() {
    static const auto format = static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"Preferred DropEffect"));
    return format;
}

template <typename T> void Hold(ComPtr<T>& holder, T* object) {
    if (object) object->AddRef();
    *holder.Put() = object;
}

} // namespace

TDropTarget::TDropTarget(TComponent* owner)
    : TComponent(owner), timerWindow_(L"LodestarDropTargetTimer", TOwnedWindow::TKind::MessageOnly,
                                      [this](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                                          if (message != WM_TIMER || wParam != kAutoScrollTimer)
                                              return std::nullopt;
                                          AutoScroll();
                                          return 0;
                                      }) {}

TDropTarget::~TDropTarget() {
    SetAutoScroll(false);
    try {
        Unregister();
    } catch (...) {
        // The window is going away with the program; a refused revocation changes nothing for it.
    }
    if (imageEntered_) ImageLeave();
    dataObject_ = {};
    imageHelper_ = {};
    timerWindow_.Destroy();
}

void TDropTarget::SetShowImage(bool value) {
    showImage_ = value;
    if (imageEntered_ && imageHelper_) imageHelper_->Show(value ? TRUE : FALSE);
}

void TDropTarget::SelectOnlyRow(HWND list, int row) {
    TListView view(list);
    const int selected = view.SelectedCount();
    if (row < 0 ? selected == 0 : selected == 1 && view.Selected(row)) return;
    SetShowImage(false);
    view.ClearSelection();
    if (row >= 0) view.SetSelected(row, true);
    ::UpdateWindow(list);
    SetShowImage(true);
}

void TDropTarget::Register(HWND control, const std::string& name) {
    if (control != control_) Unregister();
    if (!control) return;
    if (FAILED(::RegisterDragDrop(control, this))) throw EDropTargetError("Failed to Register " + name);
    control_ = control;
    controlName_ = name;
}

void TDropTarget::Unregister() {
    const HWND control = std::exchange(control_, nullptr);
    // A window destroyed without revoking took its registration with it.
    if (!control || !::IsWindow(control)) return;
    if (FAILED(::RevokeDragDrop(control))) throw EDropTargetError("Failed to Unregister " + controlName_);
}

void TDropTarget::RegisterOrTell(HWND control, const std::string& name) noexcept {
    try {
        Register(control, name);
    } catch (...) {
        Application::HandleException(std::current_exception());
    }
}

void TDropTarget::UnregisterOrTell() noexcept {
    try {
        Unregister();
    } catch (...) {
        Application::HandleException(std::current_exception());
    }
}

DWORD TDropTarget::PasteFromClipboard() {
    ComPtr<IDataObject> clipboard;
    if (FAILED(::OleGetClipboard(clipboard.Put()))) return 0;
    return PreferredDropEffect(clipboard.Get());
}

HRESULT STDMETHODCALLTYPE TDropTarget::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TDropTarget::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&refCount_));
}

// Never frees: the owner does, and the component's own reference keeps the count above zero until then.
ULONG STDMETHODCALLTYPE TDropTarget::Release() {
    return static_cast<ULONG>(::InterlockedDecrement(&refCount_));
}

// One step of the drag, run for the system: an exception ends the drag here and is shown; it never
// crosses into the caller of the interface.
template <typename Step> HRESULT TDropTarget::Guarded(DWORD* effect, Step&& step) noexcept {
    try {
        step();
        return S_OK;
    } catch (...) {
        Abandon();
        if (effect) *effect = DROPEFFECT_NONE;
        Application::HandleException(std::current_exception());
        return E_UNEXPECTED;
    }
}

HRESULT STDMETHODCALLTYPE TDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                                 DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    return Guarded(effect, [&] { *effect = Enter(data, keyState, point, *effect); });
}

HRESULT STDMETHODCALLTYPE TDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    return Guarded(effect, [&] { *effect = Over(keyState, point, *effect); });
}

HRESULT STDMETHODCALLTYPE TDropTarget::DragLeave() {
    return Guarded(nullptr, [&] { Leave(); });
}

HRESULT STDMETHODCALLTYPE TDropTarget::Drop(IDataObject*, DWORD keyState, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    return Guarded(effect, [&] { *effect = DropHere(keyState, point, *effect); });
}

DWORD TDropTarget::Enter(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed) {
    ClearData();
    dataReady_ = false;
    Hold(dataObject_, data);
    lastPoint_ = ToClient(point);
    if (!HasValidFormats()) {
        dataObject_ = {};
        ImageEnter(data, point, DROPEFFECT_NONE);
        return DROPEFFECT_NONE;
    }
    MeasureControl();
    if (GetDataOnEnter) dataReady_ = DoGetData();
    const TShiftState shift = ShiftFromKeys(keyState);
    DWORD effect = GetValidDropEffect(shift, lastPoint_, allowed);
    DoEnter(shift, lastPoint_, effect);
    ImageEnter(data, point, effect);
    return effect;
}

DWORD TDropTarget::Over(DWORD keyState, POINTL point, DWORD allowed) {
    lastPoint_ = ToClient(point);
    DWORD effect = DROPEFFECT_NONE;
    if (dataObject_) {
        const TShiftState shift = ShiftFromKeys(keyState);
        effect = GetValidDropEffect(shift, lastPoint_, allowed);
        DoDragOver(shift, lastPoint_, effect);
        SetAutoScroll((hasHScroll_ || hasVScroll_) && (effect & DROPEFFECT_SCROLL) != 0);
    }
    if (imageEntered_ && !autoScrolling_) {
        POINT screen{point.x, point.y};
        imageHelper_->DragOver(&screen, effect);
    }
    return effect;
}

void TDropTarget::Leave() {
    ClearData();
    SetAutoScroll(false);
    dataObject_ = {};
    ImageLeave();
    DoLeave();
}

DWORD TDropTarget::DropHere(DWORD keyState, POINTL point, DWORD allowed) {
    SetAutoScroll(false);
    if (imageEntered_ && dataObject_) {
        POINT screen{point.x, point.y};
        imageEntered_ = false;
        imageHelper_->Drop(dataObject_.Get(), &screen, allowed);
    }
    ImageLeave();
    if (!dataObject_) return DROPEFFECT_NONE;
    DWORD effect = DROPEFFECT_NONE;
    try {
        lastPoint_ = ToClient(point);
        const TShiftState shift = ShiftFromKeys(keyState);
        // A drop is never a scroll: the system and the source expect one drop effect.
        effect = GetValidDropEffect(shift, lastPoint_, allowed) & ~DROPEFFECT_SCROLL;
        // Data read at enter that came to nothing refuses the drop as reading it now would.
        if (GetDataOnEnter ? dataReady_ : DoGetData())
            DoDrop(shift, lastPoint_, effect);
        else
            effect = DROPEFFECT_NONE;
    } catch (...) {
        ClearData();
        dataObject_ = {};
        throw;
    }
    ClearData();
    dataObject_ = {};
    return effect;
}

void TDropTarget::Abandon() noexcept {
    try {
        ClearData();
        SetAutoScroll(false);
        ImageLeave();
    } catch (...) {
    }
    dataObject_ = {};
}

void TDropTarget::DoEnter(TShiftState shift, POINT point, DWORD& effect) {
    if (OnEnter) OnEnter(this, shift, point, effect);
}

void TDropTarget::DoDragOver(TShiftState shift, POINT point, DWORD& effect) {
    if (OnDragOver) OnDragOver(this, shift, point, effect);
}

void TDropTarget::DoDrop(TShiftState shift, POINT point, DWORD& effect) {
    if (OnDrop) OnDrop(this, shift, point, effect);
}

void TDropTarget::DoLeave() {
    if (OnLeave) OnLeave(this);
}

bool TDropTarget::DoGetData() {
    return true;
}

void TDropTarget::ClearData() {}

bool TDropTarget::HasValidFormats() {
    return static_cast<bool>(dataObject_);
}

DWORD TDropTarget::GetValidDropEffect(TShiftState shift, POINT point, DWORD allowed) {
    DWORD offered = allowed;
    if (!Dragtypes.Contains(dtCopy)) offered &= ~DROPEFFECT_COPY;
    if (!Dragtypes.Contains(dtMove)) offered &= ~DROPEFFECT_MOVE;
    if (!Dragtypes.Contains(dtLink)) offered &= ~DROPEFFECT_LINK;
    if (OnGetDropEffect) {
        OnGetDropEffect(this, shift, point, offered);
        return offered;
    }

    const bool shiftDown = (shift & ssShift) != 0;
    const bool ctrlDown = (shift & ssCtrl) != 0;
    DWORD effect = DROPEFFECT_NONE;
    if (shiftDown && ctrlDown && (offered & DROPEFFECT_LINK))
        effect = DROPEFFECT_LINK;
    else if (shiftDown && !ctrlDown && (offered & DROPEFFECT_MOVE))
        effect = DROPEFFECT_MOVE;
    else if (offered & DROPEFFECT_COPY)
        effect = DROPEFFECT_COPY;
    else if (offered & DROPEFFECT_MOVE)
        effect = DROPEFFECT_MOVE;
    else if (offered & DROPEFFECT_LINK)
        effect = DROPEFFECT_LINK;

    RECT client{};
    if ((hasHScroll_ || hasVScroll_) && control_ && ::GetClientRect(control_, &client)) {
        const bool nearSide = point.x - client.left < scrollMargin_ || client.right - point.x < scrollMargin_;
        const bool nearEnd = point.y - client.top < scrollMargin_ || client.bottom - point.y < scrollMargin_;
        if ((hasHScroll_ && nearSide) || (hasVScroll_ && nearEnd)) effect |= DROPEFFECT_SCROLL;
    }
    return effect;
}

bool TDropTarget::OffersGlobal(IDataObject* data, CLIPFORMAT format) {
    if (!data || !format) return false;
    FORMATETC wanted = GlobalFormat(format);
    return data->QueryGetData(&wanted) == S_OK;
}

bool TDropTarget::ReadGlobal(IDataObject* data, CLIPFORMAT format,
                             const std::function<void(std::span<const std::uint8_t>)>& use) {
    if (!data || !format) return false;
    FORMATETC wanted = GlobalFormat(format);
    TStorageMedium medium;
    if (FAILED(data->GetData(&wanted, medium.Put()))) return false;
    const STGMEDIUM& m = medium.Get();
    if (m.tymed != TYMED_HGLOBAL || !m.hGlobal) return false;
    const SIZE_T size = ::GlobalSize(m.hGlobal);
    const TGlobalLock lock(m.hGlobal);
    if (!lock.Data()) return false;
    use({lock.Data(), static_cast<std::size_t>(size)});
    return true;
}

DWORD TDropTarget::PreferredDropEffect(IDataObject* data) {
    DWORD effect = 0;
    ReadGlobal(data, PreferredDropEffectFormat(), [&](std::span<const std::uint8_t> bytes) {
        if (bytes.size() >= 4)
            effect = static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
                     static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
    });
    return effect;
}

TShiftState TDropTarget::ShiftFromKeys(DWORD keyState) const {
    TShiftState shift = 0;
    if (keyState & MK_SHIFT) shift |= ssShift;
    if (keyState & MK_CONTROL) shift |= ssCtrl;
    if (keyState & MK_LBUTTON) shift |= ssLeft;
    if (keyState & MK_RBUTTON) shift |= ssRight;
    if (keyState & MK_MBUTTON) shift |= ssMiddle;
    // The key state of a drag does not always carry Alt; the keyboard does.
    if (Seams().KeyDown(VK_MENU)) shift |= ssAlt;
    return shift;
}

POINT TDropTarget::ToClient(POINTL screen) const {
    POINT point{screen.x, screen.y};
    if (control_) ::ScreenToClient(control_, &point);
    return point;
}

void TDropTarget::MeasureControl() {
    hasHScroll_ = hasVScroll_ = false;
    scrollMargin_ = 0;
    if (!control_) return;
    const LONG_PTR style = ::GetWindowLongPtrW(control_, GWL_STYLE);
    hasHScroll_ = (style & WS_HSCROLL) != 0;
    hasVScroll_ = (style & WS_VSCROLL) != 0;
    auto font = reinterpret_cast<HFONT>(::SendMessageW(control_, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    LOGFONTW logFont{};
    if (::GetObjectW(font, sizeof logFont, &logFont) == sizeof logFont)
        scrollMargin_ = std::abs(logFont.lfHeight);
    if (scrollMargin_ == 0) {
        // A font of default height: take the height the control's text really has.
        const WindowDC dc(control_);
        const SelectedObject selected(dc.Get(), font);
        TEXTMETRICW metrics{};
        if (dc && ::GetTextMetricsW(dc.Get(), &metrics)) scrollMargin_ = metrics.tmHeight;
    }
}

void TDropTarget::SetAutoScroll(bool on) {
    if (on == autoScrolling_) return;
    if (on)
        autoScrolling_ =
            ::SetTimer(timerWindow_.Handle(), kAutoScrollTimer, kAutoScrollInterval, nullptr) != 0;
    else {
        ::KillTimer(timerWindow_.Handle(), kAutoScrollTimer);
        autoScrolling_ = false;
    }
}

void TDropTarget::AutoScroll() {
    RECT client{};
    if (!control_ || !::GetClientRect(control_, &client)) return;
    if (imageEntered_) imageHelper_->Show(FALSE);
    const POINT p = lastPoint_;
    if (hasVScroll_) {
        if (p.y - client.top < scrollMargin_)
            ::SendMessageW(control_, WM_VSCROLL, SB_LINEUP, 0);
        else if (client.bottom - p.y < scrollMargin_)
            ::SendMessageW(control_, WM_VSCROLL, SB_LINEDOWN, 0);
    }
    if (hasHScroll_) {
        if (p.x - client.left < scrollMargin_)
            ::SendMessageW(control_, WM_HSCROLL, SB_LINELEFT, 0);
        else if (client.right - p.x < scrollMargin_)
            ::SendMessageW(control_, WM_HSCROLL, SB_LINERIGHT, 0);
    }
    if (imageEntered_ && showImage_) imageHelper_->Show(TRUE);
}

// The shell's drag-image helper draws what the source put into the data object. Where the shell has no
// such helper, a drag simply shows no image.
void TDropTarget::ImageEnter(IDataObject* data, POINTL screen, DWORD effect) {
    if (imageEntered_ || !control_ || !data) return;
    if (!imageHelper_ && FAILED(::CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER,
                                                   IID_IDropTargetHelper, imageHelper_.PutVoid())))
        return;
    POINT point{screen.x, screen.y};
    if (FAILED(imageHelper_->DragEnter(control_, data, &point, effect))) return;
    imageEntered_ = true;
    if (!showImage_) imageHelper_->Show(FALSE);
}

void TDropTarget::ImageLeave() {
    if (!imageEntered_) return;
    imageEntered_ = false;
    imageHelper_->DragLeave();
}

} // namespace lodestar
