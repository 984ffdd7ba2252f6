// Starts a real OLE drag when the left button goes down on its window (100, 100, 100 x 100): the objects
// are a file with a blank in its name and a plain one, both in a fresh folder of the temporary folder,
// offered as a "Shell IDList Array". Reports "ready", then the drag's outcome and the paths it offered.
#include "Cida.h"
#include "Handles.h"
#include "WinText.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include "CidaBlock.h"
#include "TestDataObject.h"

#include <cstdio>
#include <string>

using namespace lodestar;
using namespace lodestar::test;

namespace {

class TSource final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

IdList Parse(const std::string& path) {
    UniqueCoTask<ITEMIDLIST> pidl;
    if (FAILED(::SHParseDisplayName(Widen(path).c_str(), nullptr, pidl.Put(), 0, nullptr))) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pidl.Get());
    return IdList::FromBytes({bytes, IdList::WalkedSize(bytes)}).value_or(IdList());
}

IdList LastItem(const IdList& list) {
    const auto* last = reinterpret_cast<const std::uint8_t*>(
        ::ILFindLastID(reinterpret_cast<PCUIDLIST_RELATIVE>(list.Data())));
    return IdList::FromBytes({last, IdList::WalkedSize(last)}).value_or(IdList());
}

void Touch(const std::string& path) {
    UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

TTestData* data = nullptr;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != WM_LBUTTONDOWN) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    TSource source;
    DWORD effect = 0;
    const HRESULT hr = ::DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_LINK, &effect);
    std::printf("done %s %lu\n", hr == DRAGDROP_S_DROP ? "drop" : "other", effect);
    std::fflush(stdout);
    ::PostQuitMessage(0);
    return 0;
}

} // namespace

int main() {
    ::OleInitialize(nullptr);
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    wchar_t longTemp[MAX_PATH + 1] = {};
    ::GetLongPathNameW(temp, longTemp, MAX_PATH + 1);
    const std::string folder = Narrow(longTemp) + "Lodestar Drag " + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(Widen(folder).c_str(), nullptr);
    const std::string files[] = {folder + "\\my notes.txt", folder + "\\memo.txt"};
    std::vector<IdList> lists{Parse(folder)};
    for (const std::string& file : files) {
        Touch(file);
        lists.push_back(LastItem(Parse(file)));
        std::printf("offered %s\n", file.c_str());
    }
    TTestData offered;
    offered.Set(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"Shell IDList Array")), BuildCida(lists));
    data = &offered;

    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = L"LodestarDragSource";
    ::RegisterClassW(&wc);
    const HWND window = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"source", WS_POPUP | WS_VISIBLE,
                                          100, 100, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    std::printf("ready\n");
    std::fflush(stdout);

    ::SetTimer(nullptr, 0, 30000, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        ::DispatchMessageW(&msg);
    }
    ::DestroyWindow(window);
    for (const std::string& file : files)
        ::DeleteFileW(Widen(file).c_str());
    ::RemoveDirectoryW(Widen(folder).c_str());
    ::OleUninitialize();
    return 0;
}
