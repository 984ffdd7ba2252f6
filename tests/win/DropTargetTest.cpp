// The shell drop target on real windows: the system's registration, drop effects, auto-scroll, and drops of
// ID lists the shell made for real files, a folder and objects without a path.
#include "Application.h"
#include "Cida.h"
#include "DropPIDLTarget.h"
#include "LegacyText.h"
#include "Seams.h"
#include "WinText.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "CidaBlock.h"
#include "TestDataObject.h"
#include "WinTestSupport.h"

#include <filesystem>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

constexpr const char* kMyComputer = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
constexpr const char* kControlPanel =
    "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{21EC2020-3AEA-1069-A2DD-08002B30309D}";
constexpr DWORD kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// A visible borderless window at a known place, so screen and client points differ by its origin.
UniqueWindow MakeWindow(const wchar_t* className, DWORD style, int x = 100, int y = 100) {
    return UniqueWindow(::CreateWindowExW(0, className, L"drop", WS_POPUP | WS_VISIBLE | style, x, y, 300,
                                          200, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

CLIPFORMAT Format(const wchar_t* name) {
    return static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(name));
}

// The parent's list and the object's own item, split as a folder window hands them out.

IdList ListOf(const UniqueCoTask<ITEMIDLIST>& pidl) {
    if (!pidl) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pidl.Get());
    return *IdList::FromBytes({bytes, IdList::WalkedSize(bytes)});
}

std::vector<std::uint8_t> Utf16Names(std::initializer_list<std::string> names) {
    std::wstring all;
    for (const std::string& name : names)
        all += Widen(name) + L'\0';
    all += L'\0';
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(all.data());
    return std::vector<std::uint8_t>(bytes, bytes + all.size() * sizeof(wchar_t));
}

std::vector<std::uint8_t> LegacyNames(std::initializer_list<std::string> names) {
    std::string all;
    for (const std::string& name : names)
        all += ToLegacy(name) + '\0';
    all += '\0';
    return std::vector<std::uint8_t>(all.begin(), all.end());
}

// What one drop handed to OnDrop, read there as the main window reads it.
struct TDropped {
    int calls = 0;
    DWORD effect = 0;
    POINT point{};
    int pidlCount = 0;
    std::vector<std::string> paths;
    std::vector<IdList> lists;
    std::vector<std::string> mappedNames;
    std::string pastTheEnd;
    bool pidlZeroEmpty = false;
    bool pidlPastEmpty = false;
};

class DropTargetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
        std::string base = LongOf(Narrow(temp));
        if (!base.empty() && base.back() == '\\') base.pop_back();
        Root = base + "\\Lodestar Drops " + std::to_string(::GetCurrentProcessId());
        ASSERT_TRUE(::CreateDirectoryW(Widen(Root).c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(Widen(Root + "\\Sub Folder").c_str(), nullptr));
        WriteBytes(Root + "\\memo.txt", "memo");
        WriteBytes(Root + "\\my notes.txt", "notes");
    }
    static void TearDownTestSuite() {
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(Widen(Root)), error);
    }
    void SetUp() override {
        ResetSeams();
        window_ = MakeWindow(L"STATIC", 0);
        ASSERT_TRUE(window_);
        target_ = CreateComponent<TDropPIDLTarget>(&owner_);
        target_->Dragtypes = {dtLink};
        target_->OnDrop = [this](TComponent*, TShiftState, POINT point, DWORD& effect) {
            TDropped& d = dropped_;
            ++d.calls;
            d.effect = effect;
            d.point = point;
            d.pidlCount = target_->PidlCount();
            for (int i = 0; i + 2 <= target_->PidlCount(); ++i) {
                d.paths.push_back(target_->Filenames()[i]);
                d.lists.push_back(ListOf(target_->PidlAt(i + 1)));
            }
            d.mappedNames = target_->MappedNames();
            try {
                target_->Filenames().Strings(target_->Filenames().Count());
            } catch (const EStringListError& e) {
                d.pastTheEnd = e.what();
            }
            d.pidlZeroEmpty = !target_->PidlAt(0);
            d.pidlPastEmpty = !target_->PidlAt(target_->PidlCount());
        };
        target_->Register(window_.Get(), "Form1");
    }
    void TearDown() override { ResetSeams(); }

    // The interface the system found on the window, as DoDragDrop looks it up.
    IDropTarget* SystemTarget() const {
        return static_cast<IDropTarget*>(::GetPropW(window_.Get(), L"OleDropTargetInterface"));
    }

    // Enter, one move and the drop at a screen point, with the keys held throughout.
    DWORD DragAndDrop(TTestData& data, DWORD keys = MK_LBUTTON, DWORD allowed = kAllEffects,
                      POINTL at = {150, 150}) {
        IDropTarget* target = SystemTarget();
        DWORD effect = allowed;
        EXPECT_HRESULT_SUCCEEDED(target->DragEnter(&data, keys, at, &effect));
        effect = allowed;
        EXPECT_HRESULT_SUCCEEDED(target->DragOver(keys, at, &effect));
        effect = allowed;
        EXPECT_HRESULT_SUCCEEDED(target->Drop(&data, keys & ~MK_LBUTTON, at, &effect));
        return effect;
    }

    static inline std::string Root;
    UniqueWindow window_;
    TComponent owner_{nullptr}; // after the window: the component is gone before its window
    TDropPIDLTarget* target_ = nullptr;
    TDropped dropped_;
};

} // namespace

TEST_F(DropTargetTest, SystemFindsTheComponentOnTheWindow) {
    ASSERT_NE(SystemTarget(), nullptr);
    EXPECT_EQ(SystemTarget(), static_cast<IDropTarget*>(target_));
    target_->Unregister();
    EXPECT_EQ(SystemTarget(), nullptr);
}

TEST_F(DropTargetTest, EffectFollowsKeysAndDragTypes) {
    TTestData data;
    data.Set(Format(L"Shell IDList Array"), BuildCida({ParseIdList(Root), ParseIdList(Root + "\\memo.txt")}));
    const struct {
        TDragTypes types;
        DWORD keys;
        DWORD allowed;
        DWORD effect;
    } cases[] = {
        {{dtLink}, 0, kAllEffects, DROPEFFECT_LINK},
        {{dtLink}, MK_SHIFT, kAllEffects, DROPEFFECT_LINK},
        {{dtLink}, MK_CONTROL, kAllEffects, DROPEFFECT_LINK},
        {{dtLink}, 0, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_NONE},
        {{dtCopy, dtMove}, 0, kAllEffects, DROPEFFECT_COPY},
        {{dtCopy, dtMove}, MK_SHIFT, kAllEffects, DROPEFFECT_MOVE},
        {{dtCopy, dtMove}, MK_SHIFT | MK_CONTROL, kAllEffects, DROPEFFECT_COPY},
        {{dtCopy, dtMove}, MK_CONTROL, kAllEffects, DROPEFFECT_COPY},
        {{dtCopy, dtMove, dtLink}, MK_SHIFT | MK_CONTROL, kAllEffects, DROPEFFECT_LINK},
        {{dtCopy, dtMove, dtLink}, MK_SHIFT, kAllEffects, DROPEFFECT_MOVE},
        {{dtCopy, dtMove, dtLink}, MK_SHIFT, DROPEFFECT_COPY | DROPEFFECT_LINK, DROPEFFECT_COPY},
        {{dtCopy, dtMove, dtLink}, MK_SHIFT | MK_CONTROL, DROPEFFECT_MOVE, DROPEFFECT_MOVE},
        {{dtMove, dtLink}, 0, kAllEffects, DROPEFFECT_MOVE},
        {{dtMove, dtLink}, MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_LINK, DROPEFFECT_LINK},
        {{}, MK_SHIFT | MK_CONTROL, kAllEffects, DROPEFFECT_NONE},
    };
    DWORD entered = 0, moved = 0;
    target_->OnEnter = [&](TComponent*, TShiftState, POINT, DWORD& effect) { entered = effect; };
    target_->OnDragOver = [&](TComponent*, TShiftState, POINT, DWORD& effect) { moved = effect; };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys << " allowed " << c.allowed);
        target_->Dragtypes = c.types;
        DWORD effect = c.allowed;
        ASSERT_HRESULT_SUCCEEDED(SystemTarget()->DragEnter(&data, MK_LBUTTON | c.keys, {150, 150}, &effect));
        EXPECT_EQ(effect, c.effect);
        EXPECT_EQ(entered, c.effect);
        effect = c.allowed;
        ASSERT_HRESULT_SUCCEEDED(SystemTarget()->DragOver(MK_LBUTTON | c.keys, {160, 160}, &effect));
        EXPECT_EQ(effect, c.effect);
        EXPECT_EQ(moved, c.effect);
        ASSERT_HRESULT_SUCCEEDED(SystemTarget()->DragLeave());
    }
    EXPECT_EQ(data.References(), 0); // every enter's hold was let go at its leave
}

TEST_F(DropTargetTest, HandlersSeeKeysClientPointAndChooseTheEffect) {
    TTestData data;
    data.Set(Format(L"Shell IDList Array"), BuildCida({ParseIdList(Root), ParseIdList(Root + "\\memo.txt")}));
    Seams().KeyDown = [](int key) { return key == VK_MENU; };
    TShiftState shift = 0;
    POINT point{};
    DWORD offered = 0;
    target_->Dragtypes = {dtCopy, dtLink};
    target_->OnGetDropEffect = [&](TComponent*, TShiftState, POINT, DWORD& effect) {
        offered = effect;
        effect = DROPEFFECT_LINK;
    };
    target_->OnEnter = [&](TComponent*, TShiftState s, POINT p, DWORD& effect) {
        shift = s;
        point = p;
        effect = DROPEFFECT_COPY; // the handler's word is the answer
    };
    DWORD effect = kAllEffects;
    ASSERT_HRESULT_SUCCEEDED(SystemTarget()->DragEnter(&data, MK_LBUTTON | MK_CONTROL, {130, 170}, &effect));
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(offered, static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_LINK));
    EXPECT_EQ(shift, ssLeft | ssCtrl | ssAlt);
    EXPECT_EQ(point.x, 30);
    EXPECT_EQ(point.y, 70);
    ASSERT_HRESULT_SUCCEEDED(SystemTarget()->DragLeave());
}

TEST_F(DropTargetTest, DropHandsOverPathsAndAbsoluteIdLists) {
    const IdList memo = ParseIdList(Root + "\\memo.txt");
    const IdList notes = ParseIdList(Root + "\\my notes.txt");
    const IdList folder = ParseIdList(Root + "\\Sub Folder");
    const IdList computer = ParseIdList(kMyComputer);
    const IdList controlPanel = ParseIdList(kControlPanel);
    ASSERT_TRUE(memo && notes && folder && computer && controlPanel);
    const IdList desktop = *IdList::FromBytes(std::vector<std::uint8_t>{0, 0});
    const auto [panelParent, panelItem] = SplitLast(controlPanel);

    const struct {
        const char* name;
        std::vector<IdList> block; // parent first
        std::vector<std::string> paths;
        std::vector<IdList> lists;
    } cases[] = {
        {"files and a folder of one folder",
         {ParseIdList(Root), SplitLast(memo).second, SplitLast(notes).second, SplitLast(folder).second},
         {Root + "\\memo.txt", Root + "\\my notes.txt", Root + "\\Sub Folder"},
         {memo, notes, folder}},
        {"objects on the desktop", {desktop, memo, computer}, {Root + "\\memo.txt", ""}, {memo, computer}},
        {"Control Panel", {panelParent, panelItem}, {""}, {controlPanel}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dropped_ = {};
        TTestData data;
        data.Set(Format(L"Shell IDList Array"), BuildCida(c.block));
        EXPECT_EQ(DragAndDrop(data), static_cast<DWORD>(DROPEFFECT_LINK));
        ASSERT_EQ(dropped_.calls, 1);
        EXPECT_EQ(dropped_.effect, static_cast<DWORD>(DROPEFFECT_LINK));
        EXPECT_EQ(dropped_.point.x, 50);
        EXPECT_EQ(dropped_.point.y, 50);
        EXPECT_EQ(dropped_.pidlCount, static_cast<int>(c.block.size()));
        EXPECT_EQ(dropped_.paths, c.paths);
        EXPECT_EQ(dropped_.lists, c.lists);
        EXPECT_EQ(dropped_.pastTheEnd, "Filename index out of range");
        EXPECT_TRUE(dropped_.pidlZeroEmpty);
        EXPECT_TRUE(dropped_.pidlPastEmpty);
        // The data lives only through the handler.
        EXPECT_EQ(target_->PidlCount(), 0);
        EXPECT_EQ(target_->Filenames().Count(), 0);
        EXPECT_EQ(data.References(), 0);
    }
}

TEST_F(DropTargetTest, RefusesWhatHoldsNoUsableObject) {
    const std::vector<std::uint8_t> good =
        BuildCida({ParseIdList(Root), SplitLast(ParseIdList(Root + "\\memo.txt")).second});
    std::vector<std::uint8_t> countTooLarge = good;
    PutU32(countTooLarge, 0, 1000);
    std::vector<std::uint8_t> offsetPastEnd = good;
    PutU32(offsetPastEnd, 8, 0x7FFFFFF0);
    std::vector<std::uint8_t> itemSizeOne = good;
    itemSizeOne[12] = 1;
    itemSizeOne[13] = 0;
    const std::vector<std::uint8_t> unterminated(good.begin(), good.end() - 2);
    const std::vector<std::uint8_t> text{'m', 0, 'e', 0, 'm', 0, 'o', 0, 0, 0};

    const struct {
        const char* name;
        CLIPFORMAT format;
        std::vector<std::uint8_t> bytes;
        DWORD atEnter;
    } cases[] = {
        {"plain text", CF_UNICODETEXT, text, DROPEFFECT_NONE},
        {"count larger than the block", Format(L"Shell IDList Array"), countTooLarge, DROPEFFECT_LINK},
        {"offset past the end", Format(L"Shell IDList Array"), offsetPastEnd, DROPEFFECT_LINK},
        {"item size below 2", Format(L"Shell IDList Array"), itemSizeOne, DROPEFFECT_LINK},
        {"list without its terminator", Format(L"Shell IDList Array"), unterminated, DROPEFFECT_LINK},
        {"parent without objects", Format(L"Shell IDList Array"), BuildCida({ParseIdList(Root)}),
         DROPEFFECT_LINK},
    };
    for (const bool onEnter : {false, true}) {
        target_->GetDataOnEnter = onEnter;
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (onEnter ? ", read on enter" : ""));
            dropped_ = {};
            TTestData data;
            data.Set(c.format, c.bytes);
            DWORD effect = kAllEffects;
            ASSERT_HRESULT_SUCCEEDED(SystemTarget()->DragEnter(&data, MK_LBUTTON, {150, 150}, &effect));
            EXPECT_EQ(effect, c.atEnter);
            effect = kAllEffects;
            ASSERT_HRESULT_SUCCEEDED(SystemTarget()->Drop(&data, 0, {150, 150}, &effect));
            EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
            EXPECT_EQ(dropped_.calls, 0);
            EXPECT_EQ(target_->PidlCount(), 0);
            EXPECT_EQ(data.References(), 0);
        }
    }
}

TEST_F(DropTargetTest, MappedNamesKeptOnlyOnePerObject) {
    const std::vector<IdList> block{ParseIdList(Root), SplitLast(ParseIdList(Root + "\\memo.txt")).second,
                                    SplitLast(ParseIdList(Root + "\\my notes.txt")).second};
    const struct {
        const char* name;
        const wchar_t* format;
        std::vector<std::uint8_t> names;
        std::vector<std::string> kept;
    } cases[] = {
        {"wide names",
         L"FileNameMapW",
         Utf16Names({"メモ.txt", "my notes.txt"}),
         {"メモ.txt", "my notes.txt"}},
        {"legacy names", L"FileNameMap", LegacyNames({"メモ.txt", "ノート.txt"}), {"メモ.txt", "ノート.txt"}},
        {"one name too few", L"FileNameMapW", Utf16Names({"メモ.txt"}), {}},
        {"one name too many", L"FileNameMap", LegacyNames({"a", "b", "c"}), {}},
        {"last name cut off", L"FileNameMapW", {'a', 0, 0, 0, 'b', 0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dropped_ = {};
        TTestData data;
        data.Set(Format(L"Shell IDList Array"), BuildCida(block));
        data.Set(Format(c.format), c.names);
        EXPECT_EQ(DragAndDrop(data), static_cast<DWORD>(DROPEFFECT_LINK));
        EXPECT_EQ(dropped_.mappedNames, c.kept);
        EXPECT_EQ(target_->MappedNames().size(), 0u);
    }
}

TEST_F(DropTargetTest, HandlerErrorIsShownAndTheDragForgotten) {
    std::vector<std::string> shown;
    Seams().MessageBox = [&](HWND, const std::string& text, const std::string& caption, UINT) {
        shown.push_back(caption + ": " + text);
        return IDOK;
    };
    target_->OnDrop = [](TComponent*, TShiftState, POINT, DWORD&) { throw EProgramError("登録できません"); };
    TTestData data;
    data.Set(Format(L"Shell IDList Array"),
             BuildCida({ParseIdList(Root), SplitLast(ParseIdList(Root + "\\memo.txt")).second}));
    DWORD effect = kAllEffects;
    ASSERT_HRESULT_SUCCEEDED(SystemTarget()->DragEnter(&data, MK_LBUTTON, {150, 150}, &effect));
    effect = kAllEffects;
    EXPECT_HRESULT_FAILED(SystemTarget()->Drop(&data, 0, {150, 150}, &effect));
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(shown, std::vector<std::string>{"Lodestar: 登録できません"});
    EXPECT_EQ(target_->PidlCount(), 0);
    EXPECT_EQ(data.References(), 0);
}

TEST_F(DropTargetTest, ScrollsTheControlWhileTheDragRestsNearItsEdge) {
    const UniqueWindow list = MakeWindow(L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 500, 100);
    ASSERT_TRUE(list);
    for (int i = 0; i < 100; ++i)
        ::SendMessageW(list.Get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"row"));
    ASSERT_TRUE(::GetWindowLongPtrW(list.Get(), GWL_STYLE) & WS_VSCROLL);
    target_->Register(list.Get(), "lv1");
    EXPECT_EQ(SystemTarget(), nullptr); // moved off the first window
    RECT client{};
    ::GetClientRect(list.Get(), &client);
    const POINTL middle{500 + client.right / 2, 100 + client.bottom / 2};
    const POINTL nearBottom{500 + client.right / 2, 100 + client.bottom - 2};

    TTestData data;
    data.Set(Format(L"Shell IDList Array"),
             BuildCida({ParseIdList(Root), SplitLast(ParseIdList(Root + "\\memo.txt")).second}));
    IDropTarget* target = static_cast<IDropTarget*>(::GetPropW(list.Get(), L"OleDropTargetInterface"));
    ASSERT_NE(target, nullptr);
    DWORD effect = kAllEffects;
    ASSERT_HRESULT_SUCCEEDED(target->DragEnter(&data, MK_LBUTTON, middle, &effect));
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_LINK));
    effect = kAllEffects;
    ASSERT_HRESULT_SUCCEEDED(target->DragOver(MK_LBUTTON, nearBottom, &effect));
    EXPECT_EQ(effect, DROPEFFECT_LINK | DROPEFFECT_SCROLL);

    // The timer scrolls line by line while the pointer stays; wait for it without timing it.
    const LRESULT top = ::SendMessageW(list.Get(), LB_GETTOPINDEX, 0, 0);
    for (int i = 0; i < 500 && ::SendMessageW(list.Get(), LB_GETTOPINDEX, 0, 0) < top + 2; ++i) {
        Application::ProcessMessages();
        ::Sleep(10);
    }
    EXPECT_GE(::SendMessageW(list.Get(), LB_GETTOPINDEX, 0, 0), top + 2);

    effect = kAllEffects;
    ASSERT_HRESULT_SUCCEEDED(target->Drop(&data, 0, nearBottom, &effect));
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_LINK)); // a drop is never a scroll
    ASSERT_EQ(dropped_.calls, 1);
    EXPECT_EQ(dropped_.effect, static_cast<DWORD>(DROPEFFECT_LINK));
    // Stopped with the drop.
    const LRESULT after = ::SendMessageW(list.Get(), LB_GETTOPINDEX, 0, 0);
    for (int i = 0; i < 30; ++i) {
        Application::ProcessMessages();
        ::Sleep(10);
    }
    EXPECT_EQ(::SendMessageW(list.Get(), LB_GETTOPINDEX, 0, 0), after);
    target_->Unregister();
}

TEST_F(DropTargetTest, RegistrationErrorsNameTheControl) {
    const auto message = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const EDropTargetError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    // The same window again: the system holds it already.
    EXPECT_EQ(message([&] { target_->Register(window_.Get(), "Form1"); }), "Failed to Register Form1");
    EXPECT_EQ(SystemTarget(), static_cast<IDropTarget*>(target_)); // the first registration stands

    auto* other = CreateComponent<TDropPIDLTarget>(&owner_);
    EXPECT_EQ(message([&] { other->Register(window_.Get(), "lvChildIcons"); }),
              "Failed to Register lvChildIcons");
    EXPECT_FALSE(other->Registered());
    EXPECT_EQ(message([&] { other->Register(reinterpret_cast<HWND>(0x7FFF0), "lv1"); }),
              "Failed to Register lv1");

    // Revoked behind the component's back.
    ASSERT_HRESULT_SUCCEEDED(::RevokeDragDrop(window_.Get()));
    EXPECT_EQ(message([&] { target_->Unregister(); }), "Failed to Unregister Form1");
    EXPECT_FALSE(target_->Registered());
    EXPECT_EQ(message([&] { target_->Unregister(); }), ""); // nothing registered: nothing to do

    // Registering none only unregisters; the window is then free for another target.
    target_->Register(window_.Get(), "Form1");
    target_->Register(nullptr, "");
    EXPECT_FALSE(target_->Registered());
    EXPECT_EQ(message([&] { other->Register(window_.Get(), "Form1"); }), "");
    EXPECT_EQ(SystemTarget(), static_cast<IDropTarget*>(other));
    delete other; // its owner's way: destroying revokes
    EXPECT_EQ(SystemTarget(), nullptr);

    // A window destroyed before the component took its registration with it.
    UniqueWindow gone = MakeWindow(L"STATIC", 0);
    target_->Register(gone.Get(), "Form1");
    gone.Reset();
    EXPECT_EQ(message([&] { target_->Unregister(); }), "");
}

TEST_F(DropTargetTest, PasteReadsTheClipboardsIdListsAndPreferredEffect) {
    const std::vector<std::uint8_t> block =
        BuildCida({ParseIdList(Root), SplitLast(ParseIdList(Root + "\\memo.txt")).second});
    const struct {
        const char* name;
        bool withLists;
        std::vector<std::uint8_t> preferred; // empty: not offered
        DWORD effect;
    } cases[] = {
        {"lists, preferred move", true, {2, 0, 0, 0}, DROPEFFECT_MOVE},
        {"lists, no preferred effect", true, {}, DROPEFFECT_COPY},
        {"lists, preferred none", true, {0, 0, 0, 0}, DROPEFFECT_COPY},
        {"no lists", false, {2, 0, 0, 0}, DROPEFFECT_NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTestData data;
        data.Set(CF_UNICODETEXT, {'x', 0, 0, 0});
        if (c.withLists) data.Set(Format(L"Shell IDList Array"), block);
        if (!c.preferred.empty()) data.Set(Format(L"Preferred DropEffect"), c.preferred);
        ASSERT_HRESULT_SUCCEEDED(::OleSetClipboard(&data));
        EXPECT_EQ(target_->PasteFromClipboard(), c.effect);
        EXPECT_EQ(target_->Filenames().Count(), c.withLists ? 1 : 0);
        if (c.withLists) {
            EXPECT_EQ(target_->Filenames()[0], Root + "\\memo.txt");
        }
        ASSERT_HRESULT_SUCCEEDED(::OleSetClipboard(nullptr));
    }
}
