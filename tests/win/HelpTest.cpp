// Help as the user reaches it: F1 on every control of every dialog, the help menu of every toolbar button,
// every dialog's help button, and what each request asks of the system's help control and of the help file.
#include "DialogDriver.h"
#include "Help.h"
#include "LinkDialogs.h"
#include "Seams.h"
#include "WinText.h"
#include "WindowSearch.h"
#include "lsDupChk.h"
#include "lsItem.h"
#include "lsMain.h"
#include "lsOpt.h"
#include "lsRegStartUp.h"
#include "lsSubCmd.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <htmlhelp.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using test::Click;
using test::FindDescendant;
using test::TDialogDriver;

// The context numbers of the help project: each one has its page and its popup text.
std::map<int, std::string> HelpProjectContexts() {
    std::ifstream file(LODESTAR_HELP_CONTEXTS);
    EXPECT_TRUE(file) << "cannot read " << LODESTAR_HELP_CONTEXTS;
    std::map<int, std::string> contexts;
    const std::regex define(R"(^#define\s+(IDH_\w+)\s+(\d+)\s*$)");
    std::string line;
    while (std::getline(file, line)) {
        std::smatch m;
        if (std::regex_match(line, m, define)) contexts.emplace(std::stoi(m[2]), m[1]);
    }
    return contexts;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    FindDescendant(parent, [&](HWND window) {
        all.push_back(window);
        return false;
    });
    return all;
}

HWND WaitForMenu(int tries) {
    for (int i = 0; i < tries; ++i) {
        const HWND menu = ::FindWindowW(L"#32768", nullptr);
        if (menu && ::IsWindowVisible(menu)) return menu;
        ::Sleep(10);
    }
    return nullptr;
}

// What the user reached: popups by F1 or by the help menu, topics by the help buttons, and for each popup
// the windows it was asked over.
class THelpWalk {
public:
    THelpWalk() {
        ResetHelpSeam();
        HelpSeam().ContextPopup = [this](HWND, int context) {
            const std::lock_guard lock(mutex_);
            last_ = context;
            reached_.insert(context);
        };
        HelpSeam().Topic = [this](HWND, int context) {
            const std::lock_guard lock(mutex_);
            last_ = context;
            reached_.insert(context);
        };
    }
    THelpWalk(const THelpWalk&) = delete;
    THelpWalk& operator=(const THelpWalk&) = delete;
    ~THelpWalk() { ResetHelpSeam(); }

    // F1 on every control: the system hands WM_HELP from the control up to the dialog that holds it.
    void PressF1Everywhere(HWND dialog) {
        for (const HWND control : Descendants(dialog)) {
            if (ClassOf(control) == L"#32770") continue; // a page, not a control
            HELPINFO info{};
            info.cbSize = sizeof info;
            info.iContextType = HELPINFO_WINDOW;
            info.iCtrlId = ::GetDlgCtrlID(control);
            info.hItemHandle = control;
            ::GetCursorPos(&info.MousePos);
            ::SendMessageW(control, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        }
    }
    // The right mouse button released over every toolbar button, and "ヘルプ(&H)" of the menu it opens.
    void RightClickEveryToolbarButton(HWND dialog) {
        for (const HWND toolbar : Descendants(dialog)) {
            if (ClassOf(toolbar) != TOOLBARCLASSNAMEW) continue;
            const int count = static_cast<int>(::SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                TBBUTTON button{};
                ::SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
                if (button.fsStyle & BTNS_SEP) continue;
                RECT rect{};
                ::SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
                const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
                ::PostMessageW(toolbar, WM_RBUTTONDOWN, MK_RBUTTON, at);
                ::PostMessageW(toolbar, WM_RBUTTONUP, 0, at);
                // A button without help opens no menu; the wait is long enough for a loaded machine, where a
                // menu that came after a shorter wait would stay open and swallow the next button's clicks.
                const HWND menu = WaitForMenu(300);
                if (!menu) continue;
                ++menus_;
                ::PostMessageW(menu, WM_CHAR, L'h', 1);
                for (int wait = 0; wait < 500 && ::IsWindowVisible(menu); ++wait)
                    ::Sleep(10);
            }
        }
    }
    void ClickHelpButton(HWND dialog, int id) {
        Last();
        Click(dialog, id);
        EXPECT_NE(Last(), -1) << "help button " << id << " showed no topic";
    }

    std::set<int> Reached() {
        const std::lock_guard lock(mutex_);
        return reached_;
    }
    int Menus() const { return menus_; }

private:
    int Last() {
        const std::lock_guard lock(mutex_);
        const int last = last_;
        last_ = -1;
        return last;
    }

    std::mutex mutex_;
    std::set<int> reached_;
    int last_ = -1;
    int menus_ = 0;
};

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        LinkDialogs();
        // A box would block the dialog's thread.
        Seams().MessageBox = [](HWND, const std::string&, const std::string&, UINT) { return IDOK; };
    }
    void TearDown() override {
        ResetSeams();
        ResetHelpSeam();
    }

    // Opens a dialog by `show` on this thread while `script` walks it from the driver's thread.
    static void Walk(const std::string& caption, const std::function<void()>& show,
                     const std::function<void(HWND)>& script) {
        TDialogDriver driver(caption, script);
        show();
        driver.Join();
        EXPECT_TRUE(driver.Found()) << "no dialog " << caption;
    }
};

TEST_F(HelpTest, EveryContextOfEveryDialogLeadsToATopic) {
    const std::map<int, std::string> project = HelpProjectContexts();
    ASSERT_FALSE(project.empty());
    THelpWalk walk;

    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Marlowe\\Lodestar");
    {
        const auto main = std::make_unique<TForm1>();
        TForm2 options(*main);
        Walk(
            "管理＆設定 - Lodestar", [&] { options.Execute(); },
            [&](HWND dialog) {
                walk.PressF1Everywhere(dialog);
                walk.RightClickEveryToolbarButton(dialog);
                walk.ClickHelpButton(dialog, IDC_OPT_BTNHELP);
                Click(dialog, IDCANCEL);
            });
    }
    {
        TForm3 editor;
        TItemData item;
        item.Cmd = "notepad.exe";
        Walk(
            "アイコン項目のプロパティ - Lodestar", [&] { editor.EditItem(item); },
            [&](HWND dialog) {
                walk.PressF1Everywhere(dialog);
                ::SendMessageW(
                    FindDescendant(dialog, [](HWND w) { return ::GetDlgCtrlID(w) == IDC_ITEM_TABS; }),
                    TCM_SETCURFOCUS, 1, 0);
                walk.RightClickEveryToolbarButton(dialog);
                walk.ClickHelpButton(::GetParent(test::FindDescendantById(dialog, IDC_ITEM_BTNHELP3)),
                                     IDC_ITEM_BTNHELP3);
                Click(dialog, IDCANCEL);
            });
    }
    {
        TForm3 editor;
        TFormChild child(&editor);
        TChildIcon entry;
        entry.Cmd = "notepad.exe";
        Walk(
            "子アイコンのプロパティ - Lodestar", [&] { child.EditChild(entry, 0); },
            [&](HWND dialog) {
                walk.PressF1Everywhere(dialog);
                walk.ClickHelpButton(dialog, IDC_CHILD_BTNHELP3);
                Click(dialog, IDCANCEL);
            });
    }
    {
        TFormDupChk check;
        int mode = 1;
        std::string text;
        Walk(
            "重複起動の検出方法のカスタマイズ - Lodestar", [&] { check.EditDupCheck(mode, text); },
            [&](HWND dialog) {
                walk.PressF1Everywhere(dialog);
                walk.ClickHelpButton(dialog, IDC_DUPCHK_BTNHELP);
                Click(dialog, IDCANCEL);
            });
    }
    {
        TFormRegStartUp startup;
        Walk(
            "スタートアップへの登録 - Lodestar", [&] { startup.AskDelay(); },
            [&](HWND dialog) {
                walk.PressF1Everywhere(dialog);
                Click(dialog, IDCANCEL);
            });
    }

    // The two toolbars of the options dialog and the chain toolbar: every button but one carries help.
    EXPECT_GE(walk.Menus(), 15);
    const std::set<int> reached = walk.Reached();
    for (const int context : reached)
        EXPECT_TRUE(project.count(context)) << "context " << context << " has no topic in the help project";
    for (const auto& [context, name] : project)
        EXPECT_TRUE(reached.count(context)) << name << " (" << context << ") is reached from no control";
}

// What a request asks of the system: the HTML help file beside the program and its popup texts, WinHelp
// where a Windows help file lies there and the system has WinHelp, nothing without a help file.
TEST_F(HelpTest, RequestsReachTheHelpFileBesideTheProgram) {
    const std::wstring chm = Widen(HtmlHelpFilePath());
    const std::wstring hlp = Widen(HelpFilePath());
    ASSERT_NE(::GetFileAttributesW(chm.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the test's copy of the help file";
    const std::wstring aside = chm + L".aside";

    struct TCall {
        std::wstring File;
        UINT Command = 0;
        DWORD_PTR Data = 0;
        bool operator==(const TCall&) const = default;
    };
    std::vector<TCall> htmlCalls;
    std::vector<TCall> winCalls;
    const auto popupData = [](int context) { return static_cast<DWORD_PTR>(0x10000 + context); };

    const struct {
        const char* Name;
        bool Chm;
        bool Hlp;
        bool HasWinHelp;
        bool PopupShows;   // what the HTML help control answers to a text popup
        bool ContextKnown; // ... and to a context number
        bool Popup;
        int Context;
        std::vector<TCall> Html;
        std::vector<TCall> Win;
    } scenarios[] = {
        {"popup from the HTML help file's texts",
         true,
         false,
         true,
         true,
         true,
         true,
         34,
         {{chm + L"::/cshelp.txt", HH_DISPLAY_TEXT_POPUP, popupData(34)}},
         {}},
        {"a viewer without text popups shows the topic's page",
         true,
         false,
         false,
         false,
         true,
         true,
         77,
         {{chm + L"::/cshelp.txt", HH_DISPLAY_TEXT_POPUP, popupData(77)}, {chm, HH_HELP_CONTEXT, 77}},
         {}},
        {"topic by its number", true, false, false, true, true, false, 13, {{chm, HH_HELP_CONTEXT, 13}}, {}},
        {"a number the help file lacks opens the help file at its start",
         true,
         false,
         false,
         true,
         false,
         false,
         99,
         {{chm, HH_HELP_CONTEXT, 99}, {chm, HH_DISPLAY_TOPIC, 0}},
         {}},
        {"a Windows help file where the system has WinHelp",
         true,
         true,
         true,
         true,
         true,
         true,
         34,
         {},
         {{hlp, HELP_CONTEXTPOPUP, 34}}},
        {"a Windows help file where WinHelp is gone",
         true,
         true,
         false,
         true,
         true,
         false,
         9,
         {{chm, HH_HELP_CONTEXT, 9}},
         {}},
        {"no help file at all", false, false, true, true, true, true, 34, {}, {}},
    };
    for (const auto& s : scenarios) {
        SCOPED_TRACE(s.Name);
        htmlCalls.clear();
        winCalls.clear();
        if (!s.Chm) {
            ASSERT_TRUE(::MoveFileW(chm.c_str(), aside.c_str()));
        }
        if (s.Hlp) {
            std::ofstream(Narrow(hlp), std::ios::binary) << "?_\x03\x00";
        }
        ResetHelpSeam();
        HelpSeam().HasWinHelp = [&] { return s.HasWinHelp; };
        HelpSeam().WinHelpCall = [&](HWND, const std::wstring& file, UINT command, ULONG_PTR data) {
            winCalls.push_back({file, command, data});
            return TRUE;
        };
        HelpSeam().HtmlHelpCall = [&](HWND, const std::wstring& file, UINT command, DWORD_PTR data) -> HWND {
            if (command == HH_DISPLAY_TEXT_POPUP) {
                const auto& popup = *reinterpret_cast<const HH_POPUP*>(data);
                EXPECT_EQ(popup.cbStruct, static_cast<int>(sizeof popup));
                EXPECT_EQ(popup.pszText, nullptr);
                htmlCalls.push_back({file, command, popupData(static_cast<int>(popup.idString))});
                return s.PopupShows ? ::GetDesktopWindow() : nullptr;
            }
            htmlCalls.push_back({file, command, data});
            return command == HH_DISPLAY_TOPIC || s.ContextKnown ? ::GetDesktopWindow() : nullptr;
        };
        if (s.Popup)
            ShowHelpPopup(nullptr, s.Context);
        else
            ShowHelpTopic(nullptr, s.Context);
        if (!s.Chm) {
            ASSERT_TRUE(::MoveFileW(aside.c_str(), chm.c_str()));
        }
        if (s.Hlp) ::DeleteFileW(hlp.c_str());
        EXPECT_TRUE(htmlCalls == s.Html) << htmlCalls.size() << " calls into the HTML help control";
        EXPECT_TRUE(winCalls == s.Win) << winCalls.size() << " calls into WinHelp";
    }
}

// The built help file read by the system's own HTML help control: every number of the project leads to a
// page, and a number it does not know leads nowhere.
TEST_F(HelpTest, TheSystemFindsEveryTopicInTheBuiltHelpFile) {
    const std::wstring chm = Widen(HtmlHelpFilePath());
    std::vector<HWND> shown;
    HelpSeam().HtmlHelpCall = [&, real = HelpSeam().HtmlHelpCall](HWND owner, const std::wstring& file,
                                                                  UINT command, DWORD_PTR data) {
        const HWND viewer = real(owner, file, command, data);
        shown.push_back(viewer);
        return viewer;
    };
    for (const auto& [context, name] : HelpProjectContexts()) {
        shown.clear();
        ShowHelpTopic(nullptr, context);
        ASSERT_EQ(shown.size(), 1u) << name << ": the number is not in the help file's map";
        EXPECT_TRUE(shown[0]) << name;
    }
    shown.clear();
    ShowHelpTopic(nullptr, 1000);
    ASSERT_EQ(shown.size(), 2u) << "an unknown number falls back to the start page";
    EXPECT_FALSE(shown[0]);
    CloseHelp();
}

} // namespace
} // namespace lodestar
