#include "DropPIDLTarget.h"

#include "Cida.h"
#include "LegacyText.h"
#include "WinText.h"

#include <shlobj.h>

#include <cstring>
#include <string_view>

namespace lodestar {

namespace {

CLIPFORMAT Format(const wchar_t* name) {
    return static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(name));
}

CLIPFORMAT ShellIdListFormat() {
    static const CLIPFORMAT format = Format(L"Shell IDList Array");
    return format;
}
CLIPFORMAT FileNameMapFormat() {
    static const CLIPFORMAT format = Format(L"FileNameMap");
    return format;
}
CLIPFORMAT FileNameMapWFormat() {
    static const CLIPFORMAT format = Format(L"FileNameMapW");
    return format;
}

// Names one after another, each ended by a zero, the list by an empty one. A name that runs to the end of
// the block without its zero is not taken.
template <typename Char>
std::vector<std::basic_string<Char>> SplitNames(std::span<const std::uint8_t> bytes) {
    std::vector<std::basic_string<Char>> names;
    const std::size_t count = bytes.size() / sizeof(Char);
    std::basic_string<Char> name;
    for (std::size_t i = 0; i < count; ++i) {
        Char c;
        std::memcpy(&c, bytes.data() + i * sizeof(Char), sizeof(Char));
        if (c != 0) {
            name += c;
            continue;
        }
        if (name.empty()) break;
        names.push_back(std::move(name));
        name.clear();
    }
    return names;
}

} // namespace

int TPIDLTargetStrings::Count() const {
    return target_.store_.size() < 2 ? 0 : target_.PidlCount() - 1;
}

std::string TPIDLTargetStrings::Strings(int index) const {
    if (index < 0 || index >= Count()) throw EStringListError("Filename index out of range");
    const IdList list = target_.AbsoluteList(index + 1);
    wchar_t path[MAX_PATH] = {};
    if (!list || !::SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(list.Data()), path)) return {};
    return Narrow(path);
}

TDropPIDLTarget::TDropPIDLTarget(TComponent* owner) : TDropTarget(owner) {}

UniqueCoTask<ITEMIDLIST> TDropPIDLTarget::PidlAt(int k) const {
    const IdList list = AbsoluteList(k);
    if (!list) return {};
    UniqueCoTask<ITEMIDLIST> copy(static_cast<ITEMIDLIST*>(::CoTaskMemAlloc(list.Size())));
    if (copy) std::memcpy(copy.Get(), list.Data(), list.Size());
    return copy;
}

IdList TDropPIDLTarget::AbsoluteList(int k) const {
    if (k < 1 || k >= PidlCount()) return {};
    return JoinIdLists(store_[0], store_[static_cast<std::size_t>(k)]);
}

DWORD TDropPIDLTarget::PasteFromClipboard() {
    ClearData();
    ComPtr<IDataObject> clipboard;
    if (FAILED(::OleGetClipboard(clipboard.Put())) || !ReadFrom(clipboard.Get())) return 0;
    const DWORD preferred = PreferredDropEffect(clipboard.Get());
    return preferred ? preferred : DROPEFFECT_COPY;
}

bool TDropPIDLTarget::DoGetData() {
    ClearData();
    return ReadFrom(DataObject());
}

void TDropPIDLTarget::ClearData() {
    store_.clear();
    mappedNames_.clear();
}

bool TDropPIDLTarget::HasValidFormats() {
    return OffersGlobal(DataObject(), ShellIdListFormat());
}

bool TDropPIDLTarget::ReadFrom(IDataObject* data) {
    ReadGlobal(data, ShellIdListFormat(),
               [&](std::span<const std::uint8_t> block) { store_ = ReadCida(block); });
    // A parent without objects is nothing to drop.
    if (store_.size() < 2) {
        store_.clear();
        return false;
    }
    ReadMappedNames(data);
    return true;
}

void TDropPIDLTarget::ReadMappedNames(IDataObject* data) {
    const bool narrow = ReadGlobal(data, FileNameMapFormat(), [&](std::span<const std::uint8_t> bytes) {
        for (const std::string& name : SplitNames<char>(bytes))
            mappedNames_.push_back(FromLegacy(name));
    });
    if (!narrow) {
        ReadGlobal(data, FileNameMapWFormat(), [&](std::span<const std::uint8_t> bytes) {
            for (const std::wstring& name : SplitNames<wchar_t>(bytes))
                mappedNames_.push_back(Narrow(name));
        });
    }
    if (mappedNames_.size() != store_.size() - 1) mappedNames_.clear();
}

TDropPIDLTarget* CreateListDropTarget(TComponent* owner, std::function<void(DWORD& effect)> onEnter,
                                      std::function<void(POINT point, DWORD& effect)> onDragOver,
                                      std::function<void(DWORD& effect)> onDrop) {
    auto* target = CreateComponent<TDropPIDLTarget>(owner);
    target->SetName("PIDLTarget1");
    target->Dragtypes = {dtLink};
    target->GetDataOnEnter = false;
    target->OnEnter = [onEnter = std::move(onEnter)](TComponent*, TShiftState, POINT, DWORD& effect) {
        onEnter(effect);
    };
    target->OnDragOver = [onDragOver = std::move(onDragOver)](TComponent*, TShiftState, POINT point,
                                                              DWORD& effect) { onDragOver(point, effect); };
    target->OnDrop = [onDrop = std::move(onDrop)](TComponent*, TShiftState, POINT, DWORD& effect) {
        onDrop(effect);
    };
    return target;
}

} // namespace lodestar
