// A window as a target of OLE drag and drop: registers one control with the system, tells its owner
// through events where a drag is and which drop effect applies, scrolls the control while a drag rests
// near its edge, and shows the source's drag image over it.
#pragma once

#include "Component.h"
#include "Errors.h"
#include "Handles.h"
#include "MessageWindow.h"
#include "ShiftState.h"

#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>

namespace lodestar {

// Raised by Register and Unregister when the system refuses.
class EDropTargetError : public EProgramError {
public:
    using EProgramError::EProgramError;
};

enum TDragType { dtCopy, dtMove, dtLink };

// The drop effects a target can take; written as a braced list: `Dragtypes = {dtLink}`, `Dragtypes = {}`.
class TDragTypes {
public:
    constexpr TDragTypes() = default;
    constexpr TDragTypes(std::initializer_list<TDragType> types) {
        for (TDragType type : types)
            bits_ |= Bit(type);
    }
    constexpr bool Contains(TDragType type) const { return (bits_ & Bit(type)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    friend constexpr bool operator==(TDragTypes, TDragTypes) = default;

private:
    static constexpr unsigned Bit(TDragType type) { return 1u << static_cast<unsigned>(type); }
    unsigned bits_ = 0;
};

// The component is its own IDropTarget. It holds one reference on itself for its whole life, so the
// system's reference counting never frees it: its owner destroys it, which also revokes the registration.
class TDropTarget : public TComponent, public IDropTarget {
public:
    // `point` is in client coordinates of the registered control; `effect` holds DROPEFFECT_ bits and
    // may be changed by the handler.
    using TDropTargetEvent =
        std::function<void(TComponent* sender, TShiftState shift, POINT point, DWORD& effect)>;
    using TNotifyEvent = std::function<void(TComponent* sender)>;

    explicit TDropTarget(TComponent* owner);
    ~TDropTarget() override;

    TDragTypes Dragtypes{dtCopy, dtMove, dtLink};
    // Fetch and read the dragged data already when the drag enters rather than at the drop.
    bool GetDataOnEnter = false;
    TDropTargetEvent OnEnter;
    TDropTargetEvent OnDragOver;
    TDropTargetEvent OnDrop;
    TNotifyEvent OnLeave;
    // When assigned, the owner chooses the effect from the allowed ones itself.
    TDropTargetEvent OnGetDropEffect;

    bool ShowImage() const { return showImage_; }
    // Takes effect at once during a drag, so an owner can hide the image while it repaints the control.
    void SetShowImage(bool value);
    // Over a list view in report style the row under the drag stands for where the drop lands: it becomes
    // the list's only selected row (none when `row` is -1), the drag picture hidden while the list repaints.
    void SelectOnlyRow(HWND list, int row);

    // Makes `control` the drop target (a different control registered before is unregistered first);
    // null only unregisters. `name` names the control in the error "Failed to Register " + name.
    void Register(HWND control, const std::string& name);
    // Revokes the registration; "Failed to Unregister " + name when the system refuses.
    void Unregister();
    // The same two for a dialog that works on without drops: a refusal is shown to the user in the
    // application's error box and goes no further (both are safe on the dialog's way out).
    void RegisterOrTell(HWND control, const std::string& name) noexcept;
    void UnregisterOrTell() noexcept;
    HWND Control() const { return control_; }
    bool Registered() const { return control_ != nullptr; }

    // The clipboard's "Preferred DropEffect", 0 when there is none.
    virtual DWORD PasteFromClipboard();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

protected:
    virtual void DoEnter(TShiftState shift, POINT point, DWORD& effect);
    virtual void DoDragOver(TShiftState shift, POINT point, DWORD& effect);
    virtual void DoDrop(TShiftState shift, POINT point, DWORD& effect);
    virtual void DoLeave();
    // Fetches and reads the dragged data; false when nothing usable came of it.
    virtual bool DoGetData();
    virtual void ClearData();
    virtual bool HasValidFormats();
    virtual DWORD GetValidDropEffect(TShiftState shift, POINT point, DWORD allowed);

    // The data object of the drag in progress, null while idle.
    IDataObject* DataObject() const { return dataObject_.Get(); }
    // Whether the data object offers the format in global memory.
    static bool OffersGlobal(IDataObject* data, CLIPFORMAT format);
    // Hands the bytes of the format (global memory only, as large as the block really is) to `use`, then
    // releases them; false when the format cannot be had that way.
    static bool ReadGlobal(IDataObject* data, CLIPFORMAT format,
                           const std::function<void(std::span<const std::uint8_t>)>& use);
    static DWORD PreferredDropEffect(IDataObject* data);

private:
    DWORD Enter(IDataObject* data, DWORD keyState, POINTL point, DWORD allowed);
    DWORD Over(DWORD keyState, POINTL point, DWORD allowed);
    void Leave();
    DWORD DropHere(DWORD keyState, POINTL point, DWORD allowed);
    // After an error inside a system call: forget the drag so that nothing of it lingers.
    void Abandon() noexcept;
    template <typename Step> HRESULT Guarded(DWORD* effect, Step&& step) noexcept;

    TShiftState ShiftFromKeys(DWORD keyState) const;
    POINT ToClient(POINTL screen) const;
    void MeasureControl();
    void SetAutoScroll(bool on);
    void AutoScroll();
    void ImageEnter(IDataObject* data, POINTL screen, DWORD effect);
    void ImageLeave();

    LONG refCount_ = 1;
    // Reference counted by the system: the first component of the thread starts OLE, the last ends it.
    // Declared before the COM pointers below, so that it ends after them.
    OleApartment ole_;
    HWND control_ = nullptr;
    std::string controlName_;
    ComPtr<IDataObject> dataObject_;
    bool dataReady_ = false; // what DoGetData said at enter, when GetDataOnEnter
    bool showImage_ = true;
    ComPtr<IDropTargetHelper> imageHelper_;
    bool imageEntered_ = false;
    POINT lastPoint_{};
    int scrollMargin_ = 0;
    bool hasHScroll_ = false;
    bool hasVScroll_ = false;
    bool autoScrolling_ = false;
    TOwnedWindow timerWindow_;
};

} // namespace lodestar
