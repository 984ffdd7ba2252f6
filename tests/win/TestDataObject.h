// A data object as another program offers one, for drop targets under test and for the drag source helper.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace lodestar::test {

// Each format is a block of global memory, handed out as a fresh copy on every request, as OLE does
// across processes.
class TTestData final : public IDataObject {
public:
    void Set(CLIPFORMAT format, std::vector<std::uint8_t> bytes) { formats_[format] = std::move(bytes); }
    LONG References() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    // Lives on the test's stack; the count only shows whether the target let go of it.
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        const auto found = Find(format);
        if (found == formats_.end()) return DV_E_FORMATETC;
        const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, found->second.size());
        if (!block) return E_OUTOFMEMORY;
        std::memcpy(::GlobalLock(block), found->second.data(), found->second.size());
        ::GlobalUnlock(block);
        *medium = STGMEDIUM{};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return Find(format) == formats_.end() ? DV_E_FORMATETC : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (direction != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> list;
        for (const auto& entry : formats_)
            list.push_back(FORMATETC{entry.first, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
        return ::SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::map<CLIPFORMAT, std::vector<std::uint8_t>>::const_iterator Find(const FORMATETC* format) const {
        if (!format || !(format->tymed & TYMED_HGLOBAL) || format->dwAspect != DVASPECT_CONTENT)
            return formats_.end();
        return formats_.find(format->cfFormat);
    }

    LONG refs_ = 0;
    std::map<CLIPFORMAT, std::vector<std::uint8_t>> formats_;
};

} // namespace lodestar::test
