// Hotkeys that cannot be registered, as the user meets them: the item editor asks before it keeps a
// combination another program or another item of the group holds, and the main menu lists the items
// whose hotkeys the system refused until they can have them.
#include "ItemEditorDriver.h"

#include "Dialogs.h"
#include "HotKey.h"
#include "Hkhotkey.h"
#include "Store.h"
#include "lsMain.h"

namespace lodestar {
namespace {

constexpr std::uint16_t kCtrlAltQ = kShortcutCtrl | kShortcutAlt | 'Q';
constexpr std::uint16_t kCtrlAltW = kShortcutCtrl | kShortcutAlt | 'W';

// Another program that holds a hotkey while it lives.
class THotKeyHolderProcess {
public:
    explicit THotKeyHolderProcess(std::uint16_t shortcut) {
        release_ = ::CreateEventW(nullptr, TRUE, FALSE, L"LodestarTestReleaseHotKey");
        held_ = ::CreateEventW(nullptr, TRUE, FALSE, L"LodestarTestHotKeyHeld");
        ::ResetEvent(release_);
        ::ResetEvent(held_);
        wchar_t command[64];
        ::swprintf(command, 64, L"hold_hotkey.exe %x", shortcut);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        EXPECT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &process_));
        const HANDLE waits[] = {held_, process_.hProcess};
        EXPECT_EQ(::WaitForMultipleObjects(2, waits, FALSE, 10000), WAIT_OBJECT_0)
            << "the helper holds no key";
    }
    THotKeyHolderProcess(const THotKeyHolderProcess&) = delete;
    THotKeyHolderProcess& operator=(const THotKeyHolderProcess&) = delete;
    ~THotKeyHolderProcess() { Release(); }

    void Release() {
        if (!process_.hProcess) return;
        ::SetEvent(release_);
        ::WaitForSingleObject(process_.hProcess, 10000);
        ::CloseHandle(process_.hProcess);
        ::CloseHandle(process_.hThread);
        process_ = {};
        ::CloseHandle(release_);
        ::CloseHandle(held_);
    }

private:
    HANDLE release_ = nullptr;
    HANDLE held_ = nullptr;
    PROCESS_INFORMATION process_{};
};

class HotKeyConflictTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT flags) {
            const std::lock_guard lock(mutex);
            boxes.push_back(text);
            EXPECT_EQ(flags & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING)) << text;
            EXPECT_EQ(flags & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2))
                << "keeping it is not the default";
            const int answer = answers.empty() ? IDNO : answers.front();
            if (!answers.empty()) answers.erase(answers.begin());
            return answer;
        };
    }
    void TearDown() override { ResetSeams(); }

    std::mutex mutex;
    std::vector<std::string> boxes;
    std::vector<int> answers;
};

TEST_F(HotKeyConflictTest, TheEditorAsksBeforeItKeepsAHotKeyThatCannotBeRegistered) {
    const std::string notepad = SystemFolder() + "\\notepad.exe";
    TItemData calculator = Item(notepad, "電卓");
    calculator.HotKey = kCtrlAltW;
    const struct {
        const char* Name;
        std::uint16_t Before;
        std::uint16_t Chosen;
        bool HeldByHelper;
        std::vector<THotKeyHolder> Group;
        std::vector<int> Answers;           // to the questions, in order
        std::vector<std::string> Mentioned; // what the question names, empty for no question
        bool Result;
        std::uint16_t After;
    } scenarios[] = {
        {"another program holds it: No keeps the editor open, Yes keeps the key",
         0,
         kCtrlAltQ,
         true,
         {},
         {IDNO, IDYES},
         {"\"Ctrl+Alt+Q\"", "ほかのプログラム"},
         true,
         kCtrlAltQ},
        {"another program holds it: No, then Cancel leaves the item as it was",
         kCtrlAltW,
         kCtrlAltQ,
         true,
         {},
         {IDNO},
         {"\"Ctrl+Alt+Q\""},
         false,
         kCtrlAltW},
        {"the same combination once the program has let it go",
         0,
         kCtrlAltQ,
         false,
         {},
         {},
         {},
         true,
         kCtrlAltQ},
        {"an unchanged hotkey that another program holds",
         kCtrlAltQ,
         kCtrlAltQ,
         true,
         {},
         {},
         {},
         true,
         kCtrlAltQ},
        {"another item of the group has it",
         0,
         kCtrlAltW,
         false,
         {{"電卓", kCtrlAltW}},
         {IDYES},
         {"\"Ctrl+Alt+W\"", "'電卓'"},
         true,
         kCtrlAltW},
    };
    for (const auto& s : scenarios) {
        SCOPED_TRACE(s.Name);
        std::unique_ptr<THotKeyHolderProcess> holder;
        if (s.HeldByHelper) holder = std::make_unique<THotKeyHolderProcess>(kCtrlAltQ);
        EXPECT_EQ(THookHotKey::Available(kCtrlAltQ), !s.HeldByHelper);
        boxes.clear();
        answers = s.Answers;
        TItemData item = Item(notepad, "メモ帳");
        item.HotKey = s.Before;
        bool stayedOpen = false;
        bool result = false;
        {
            TOnDialogThread runner;
            TForm3 form;
            form.GroupHotKeys = s.Group;
            TDialogDriver driver(kCaption, [&](HWND dialog) {
                TEditor e{dialog, &form, &runner};
                e.SetHotKey(static_cast<BYTE>(s.Chosen & 0xFF), HOTKEYF_CONTROL | HOTKEYF_ALT);
                e.ClickOk();
                // The click returns once OK is handled: the question has been answered by then.
                if (s.Answers.size() > 1 || (s.Answers.size() == 1 && s.Answers[0] == IDNO)) {
                    stayedOpen = e.Open();
                    if (s.Answers.size() > 1)
                        e.ClickOk();
                    else
                        e.Cancel();
                }
            });
            result = form.EditItem(item);
            driver.Join();
            EXPECT_TRUE(driver.Found());
        }
        EXPECT_EQ(result, s.Result);
        EXPECT_EQ(item.HotKey, s.After);
        EXPECT_EQ(boxes.size(), s.Answers.size());
        for (const std::string& part : s.Mentioned)
            EXPECT_TRUE(!boxes.empty() && boxes[0].find(part) != std::string::npos) << part;
        if (!s.Answers.empty() && s.Answers[0] == IDNO) {
            EXPECT_TRUE(stayedOpen) << "No closed the editor";
        }
    }
}

// The main window lists an item whose hotkey another program holds, until the program lets it go; the
// entry opens the item's editor.
TEST_F(HotKeyConflictTest, TheMainMenuListsItemsWithoutTheirHotKeys) {
    const std::string notepad = SystemFolder() + "\\notepad.exe";
    TItemData first = Item(notepad, "メモ帳");
    first.HotKey = kCtrlAltW;
    TItemData second = Item(notepad, "電卓");
    second.HotKey = kCtrlAltQ;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Marlowe\\Lodestar");
    WriteSettings(TSettings{});
    SaveShownGroup(0, {first, second});

    THotKeyHolderProcess holder(kCtrlAltQ);
    auto form = std::make_unique<TForm1>();
    form->UpdateRefusedHotKeys();
    ASSERT_TRUE(form->miRefusedHotKeys);
    EXPECT_TRUE(form->miRefusedHotKeys->Visible);
    ASSERT_EQ(form->miRefusedHotKeys->Items().size(), 1u);
    EXPECT_EQ(form->miRefusedHotKeys->Items()[0]->Caption, "電卓\tCtrl+Alt+Q");
    EXPECT_NE(form->miRefusedHotKeys->Caption.find("1 個"), std::string::npos);

    std::vector<std::string> edited;
    const TProgramDialogs saved = ProgramDialogs();
    struct TRestore {
        const TProgramDialogs& Saved;
        ~TRestore() { ProgramDialogs() = Saved; }
    } restore{saved};
    ProgramDialogs().EditItem = [&](TForm1&, TItemData& record) {
        edited.push_back(record.Tip);
        return false;
    };
    form->miRefusedHotKeys->Items()[0]->Click();
    EXPECT_EQ(edited, std::vector<std::string>{"電卓"});

    // The other program ends: the next look at the menu gives the item its hotkey, and the entry goes.
    holder.Release();
    form->UpdateRefusedHotKeys();
    EXPECT_FALSE(form->miRefusedHotKeys->Visible);
    EXPECT_TRUE(form->HoldsHotKey(kCtrlAltQ));
    EXPECT_FALSE(THookHotKey::Available(kCtrlAltQ));
    form.reset();
    EXPECT_TRUE(THookHotKey::Available(kCtrlAltQ)) << "the program's end gives the key back";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Marlowe\\Lodestar");
}

} // namespace
} // namespace lodestar
