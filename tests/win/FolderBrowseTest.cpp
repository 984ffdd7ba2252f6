// The folder browse component against the shell's real folder browser, driven from a second thread the
// way a user would: picking folders, reading the tree, the status line and the OK button, confirming and
// cancelling.
#include "SHBFFEX.h"

#include "Application.h"
#include "BrowserDriver.h"
#include "Errors.h"
#include "PlaceDialog.h"
#include "Seams.h"
#include "WinTestSupport.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;

// The status line of Wine's browser, by control id.
constexpr int kStatus = 0x3743;

const std::string kFolder = "C:\\lodestar-browse";
const std::string kWorkFolder = kFolder + "\\作業";
const std::string kFile = kFolder + "\\メモ.txt";
const std::string kMyComputer = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

// The name the shell gives a special folder, as the tree shows it.
std::string SpecialFolderName(int csidl) {
    ITEMIDLIST* list = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &list))) return {};
    const UniqueCoTask<ITEMIDLIST> owned(list);
    SHFILEINFOW info{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(owned.Get()), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_DISPLAYNAME);
    return Narrow(info.szDisplayName);
}

std::string RootItemText(HWND browser) {
    const HWND tree = TreeOf(browser);
    const auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    wchar_t text[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = MAX_PATH;
    if (item) ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return Narrow(text);
}

// The browser reports a file-system object by its name (Windows) or by its whole path (Wine).
bool NameOrPath(const std::string& displayName, const std::string& name, const std::string& path) {
    return displayName == name || displayName == path;
}

bool OkEnabled(HWND browser) {
    return ::IsWindowEnabled(::GetDlgItem(browser, IDOK)) != FALSE;
}
// The OK button once the browser's queue has taken the selection change's messages.
bool SettledOkEnabled(HWND browser) {
    ::Sleep(300);
    return OkEnabled(browser);
}

std::string StatusText(HWND browser) {
    return WindowText(::GetDlgItem(browser, kStatus));
}

// What the script saw while the browser was open.
struct TSeen {
    std::string Selected; // the tree's selection once the browser had appeared
    std::string Root;     // the tree's top item
    bool ApplicationEnabled = true;
    bool OwnerEnabled = true;
    RECT Bounds{};
    bool OkEnabled = false;
    std::string Status;
    std::vector<bool> OkStates; // after each step of the script that looks at the OK button
};

struct TOutcome {
    bool Found = false;
    bool Accepted = false;
    std::string Path;
    std::string DisplayName;
    int Executed = 0;
    std::string ExecutedPath;
    IdList ExecutedList;
    std::vector<std::string> EventPaths; // what OnSelectionChanged was told
    bool ApplicationEnabledAfter = false;
    bool OwnerEnabledAfter = false;
    std::vector<std::string> ErrorBoxes;
    TSeen Seen;
};

// A top-level window of the given frame, for an owner form or a dialog to be placed.
class TTestWindow {
public:
    TTestWindow(DWORD style, int x, int y, int width, int height) {
        window_ = ::CreateWindowExW(0, L"STATIC", L"", style | WS_VISIBLE, x, y, width, height, nullptr,
                                    nullptr, nullptr, nullptr);
    }
    TTestWindow(const TTestWindow&) = delete;
    TTestWindow& operator=(const TTestWindow&) = delete;
    ~TTestWindow() { ::DestroyWindow(window_); }
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

struct TScenario {
    std::string What;
    std::function<void(TSHBrowseForFolderEx&)> SetUp;
    // Runs on the driver's thread with the open browser; must close it.
    std::function<void(HWND browser, TSeen& seen)> Script;
    std::function<void(const TOutcome&)> Check;
};

// Opens the browser as the user would meet it and records what happened, before, during and after.
TOutcome RunBrowser(const TScenario& scenario) {
    TTestWindow form(WS_OVERLAPPEDWINDOW, 230, 170, 500, 400);
    TSHBrowseForFolderEx browse(nullptr, [&form] { return form.Handle(); });
    TOutcome outcome;
    browse.OnExecuted = [&outcome](const std::string& path, const IdList& pidl) {
        ++outcome.Executed;
        outcome.ExecutedPath = path;
        outcome.ExecutedList = pidl;
    };
    browse.OnSelectionChanged = [&outcome](TSHBrowseForFolderEx*, HWND, const std::string& path, std::string&,
                                           TOKButtonState&) { outcome.EventPaths.push_back(path); };
    Seams().MessageBox = [&outcome](HWND, const std::string& text, const std::string&, UINT) {
        outcome.ErrorBoxes.push_back(text);
        return IDOK;
    };
    if (scenario.SetUp) scenario.SetUp(browse);

    const HWND owner = form.Handle();
    TBrowserDriver driver([&](HWND browser) {
        TSeen& seen = outcome.Seen;
        // The browser may pass through another selection on its way to the initial one: the selection
        // is read once it has stayed the same for a moment, or after about ten seconds (a tree whose
        // root holds no initial selection selects nothing; a new prefix fills its tree slowly).
        std::string last;
        for (int i = 0; i < 66; ++i) {
            const std::string now = SelectedItemText(browser);
            if (!now.empty() && now == last) break;
            last = now;
            ::Sleep(150);
        }
        seen.Selected = SelectedItemText(browser);
        seen.Root = RootItemText(browser);
        seen.ApplicationEnabled = ::IsWindowEnabled(Application::Handle()) != FALSE;
        seen.OwnerEnabled = ::IsWindowEnabled(owner) != FALSE;
        ::GetWindowRect(browser, &seen.Bounds);
        seen.OkEnabled = OkEnabled(browser);
        seen.Status = StatusText(browser);
        scenario.Script(browser, seen);
    });
    outcome.Accepted = browse.Execute();
    driver.Join();
    ResetSeams();
    outcome.Found = driver.Found();
    outcome.Path = browse.Path();
    outcome.DisplayName = browse.DisplayName();
    outcome.ApplicationEnabledAfter = ::IsWindowEnabled(Application::Handle()) != FALSE;
    outcome.OwnerEnabledAfter = ::IsWindowEnabled(owner) != FALSE;
    return outcome;
}

// A user can press only an enabled button.
void Press(HWND browser, int id) {
    if (!::IsWindowEnabled(::GetDlgItem(browser, id))) {
        ADD_FAILURE() << "button " << id << " is greyed";
        ::PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    ClickButton(browser, id);
}

void Cancel(HWND browser, TSeen&) {
    Press(browser, IDCANCEL);
}

class FolderBrowseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CreateDirectoryW(Widen(kFolder).c_str(), nullptr);
        ::CreateDirectoryW(Widen(kWorkFolder).c_str(), nullptr);
        WriteBytes(kFile, "メモ");
    }
};

TEST_F(FolderBrowseTest, UserScenarios) {
    const std::string desktop = SpecialFolderName(CSIDL_DESKTOP);
    const std::string myComputer = SpecialFolderName(CSIDL_DRIVES);
    const std::string controlPanel = SpecialFolderName(CSIDL_CONTROLS);
    ASSERT_FALSE(desktop.empty());
    ASSERT_FALSE(myComputer.empty());
    RECT workArea{};
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));

    const TScenario scenarios[] = {
        {"defaults: the desktop's tree with My Computer selected, which is no file-system folder", nullptr,
         Cancel,
         [&](const TOutcome& o) {
             EXPECT_EQ(o.Seen.Selected, myComputer);
             EXPECT_EQ(o.Seen.Root, desktop);
             EXPECT_FALSE(o.Seen.OkEnabled);
             EXPECT_FALSE(o.Accepted);
         }},
        {"My Computer by its parsing name, confirmed: no path, its name and its list",
         [&](TSHBrowseForFolderEx& b) {
             b.SetSelectFolder(sfManual);
             b.SetSelectFolderName(kMyComputer);
             b.Options = {};
         },
         [](HWND browser, TSeen&) { Press(browser, IDOK); },
         [&](const TOutcome& o) {
             EXPECT_EQ(o.Seen.Selected, myComputer);
             EXPECT_TRUE(o.Accepted);
             EXPECT_EQ(o.DisplayName, myComputer);
             EXPECT_EQ(o.Path, "");
             EXPECT_EQ(o.Executed, 1);
             EXPECT_EQ(o.ExecutedPath, "");
             EXPECT_EQ(o.ExecutedList, ParseIdList(kMyComputer));
         }},
        {"a folder path as the initial selection selects that folder",
         [&](TSHBrowseForFolderEx& b) {
             b.SetSelectFolder(sfManual);
             b.SetSelectFolderName(kWorkFolder);
         },
         Cancel, [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Selected, "作業"); }},
        {"a file as the initial selection falls back to the desktop",
         [&](TSHBrowseForFolderEx& b) {
             b.SetSelectFolder(sfManual);
             b.SetSelectFolderName(kFile);
         },
         Cancel, [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Selected, desktop); }},
        {"a missing folder as the initial selection falls back to the desktop",
         [&](TSHBrowseForFolderEx& b) {
             b.SetSelectFolder(sfManual);
             b.SetSelectFolderName(kFolder + "\\ない");
         },
         Cancel, [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Selected, desktop); }},
        {"a folder chosen and confirmed gives its path, name and list", nullptr,
         [](HWND browser, TSeen& seen) {
             SelectPath(browser, kWorkFolder);
             seen.OkStates.push_back(SettledOkEnabled(browser));
             Press(browser, IDOK);
         },
         [&](const TOutcome& o) {
             EXPECT_EQ(o.Seen.OkStates, std::vector<bool>{true});
             EXPECT_TRUE(o.Accepted);
             EXPECT_EQ(o.Path, kWorkFolder);
             EXPECT_PRED3(NameOrPath, o.DisplayName, "作業", kWorkFolder);
             EXPECT_EQ(o.Executed, 1);
             EXPECT_EQ(o.ExecutedPath, kWorkFolder);
             EXPECT_EQ(o.ExecutedList, ParseIdList(kWorkFolder));
             ASSERT_FALSE(o.EventPaths.empty());
             EXPECT_EQ(o.EventPaths.back(), kWorkFolder);
         }},
        {"a folder chosen and then cancelled gives nothing", nullptr,
         [](HWND browser, TSeen&) {
             SelectPath(browser, kWorkFolder);
             Press(browser, IDCANCEL);
         },
         [&](const TOutcome& o) {
             EXPECT_FALSE(o.Accepted);
             EXPECT_EQ(o.Path, "");
             EXPECT_EQ(o.DisplayName, "");
             EXPECT_EQ(o.Executed, 0);
         }},
        {"closed with Esc: cancelled", nullptr,
         [](HWND browser, TSeen&) {
             SelectPath(browser, kWorkFolder);
             ::PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
         },
         [&](const TOutcome& o) {
             EXPECT_FALSE(o.Accepted);
             EXPECT_EQ(o.Executed, 0);
         }},
        {"with files included, a file can be chosen",
         [&](TSHBrowseForFolderEx& b) { b.Options = {sboBrowseIncludeFiles}; },
         [](HWND browser, TSeen&) {
             SelectPath(browser, kFile);
             Press(browser, IDOK);
         },
         [&](const TOutcome& o) {
             EXPECT_TRUE(o.Accepted);
             EXPECT_EQ(o.Path, kFile);
             EXPECT_PRED3(NameOrPath, o.DisplayName, "メモ.txt", kFile);
         }},
        {"centred on the screen: half the spare width left, a third of the spare height above",
         [&](TSHBrowseForFolderEx& b) { b.SetShowStyle(ssCenterScreen); }, Cancel,
         [&](const TOutcome& o) {
             const RECT& r = o.Seen.Bounds;
             EXPECT_EQ(r.left, (workArea.right - workArea.left - (r.right - r.left)) / 2);
             EXPECT_EQ(r.top, (workArea.bottom - workArea.top - (r.bottom - r.top)) / 3);
         }},
        {"at the owner: the browser's corner on the owner's client origin, the owner disabled meanwhile",
         nullptr, Cancel,
         [&](const TOutcome& o) {
             // the owner's window at (230, 170) with its frame and caption
             RECT frame{0, 0, 0, 0};
             ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
             EXPECT_EQ(o.Seen.Bounds.left, 230 - frame.left);
             EXPECT_EQ(o.Seen.Bounds.top, 170 - frame.top);
             EXPECT_FALSE(o.Seen.OwnerEnabled);
             EXPECT_TRUE(o.OwnerEnabledAfter);
         }},
        {"an event that greys OK for one folder: greyed there, enabled elsewhere",
         [&](TSHBrowseForFolderEx& b) {
             b.Options = {};
             b.OnSelectionChanged = [](TSHBrowseForFolderEx*, HWND, const std::string& path, std::string&,
                                       TOKButtonState& ok) {
                 ok = path == kWorkFolder ? obsDisabled : obsEnabled;
             };
         },
         [](HWND browser, TSeen& seen) {
             SelectPath(browser, kWorkFolder);
             seen.OkStates.push_back(SettledOkEnabled(browser));
             SelectPath(browser, kFolder);
             seen.OkStates.push_back(SettledOkEnabled(browser));
             Press(browser, IDOK);
         },
         [&](const TOutcome& o) {
             EXPECT_EQ(o.Seen.OkStates, (std::vector<bool>{false, true}));
             EXPECT_TRUE(o.Accepted);
             EXPECT_EQ(o.Path, kFolder);
         }},
        {"the status line with the show-path option shows the path, whatever the event says",
         [&](TSHBrowseForFolderEx& b) {
             b.Options = {sboReturnOnlyFSDirs, sboStatusTextAndShowPath, sboStatusText};
             b.OnSelectionChanged = [](TSHBrowseForFolderEx*, HWND, const std::string&, std::string& text,
                                       TOKButtonState&) { text = "イベントの文字"; };
         },
         [](HWND browser, TSeen& seen) {
             SelectPath(browser, kWorkFolder);
             seen.Status = StatusText(browser);
             Press(browser, IDCANCEL);
         },
         [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Status, kWorkFolder); }},
        {"the status line without the show-path option shows the event's text",
         [&](TSHBrowseForFolderEx& b) {
             b.Options = {sboStatusText};
             b.OnSelectionChanged = [](TSHBrowseForFolderEx*, HWND, const std::string& path,
                                       std::string& text, TOKButtonState&) { text = "選択中: " + path; };
         },
         [](HWND browser, TSeen& seen) {
             SelectPath(browser, kWorkFolder);
             seen.Status = StatusText(browser);
             Press(browser, IDCANCEL);
         },
         [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Status, "選択中: " + kWorkFolder); }},
        {"rooted at the Control Panel", [&](TSHBrowseForFolderEx& b) { b.SetRootFolder(rfControls); }, Cancel,
         [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Root, controlPanel); }},
        {"rooted at a folder given by its path",
         [&](TSHBrowseForFolderEx& b) {
             b.SetRootFolder(rfManual);
             b.SetRootFolderName(kFolder);
         },
         Cancel, [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Root, "lodestar-browse"); }},
        {"a root name that names a file falls back to the desktop",
         [&](TSHBrowseForFolderEx& b) {
             b.SetRootFolder(rfManual);
             b.SetRootFolderName(kFile);
         },
         Cancel, [&](const TOutcome& o) { EXPECT_EQ(o.Seen.Root, desktop); }},
        {"an event that fails shows the error and leaves the browser usable",
         [&](TSHBrowseForFolderEx& b) {
             b.OnSelectionChanged = [](TSHBrowseForFolderEx*, HWND, const std::string&, std::string&,
                                       TOKButtonState&) { throw EProgramError("選択を確かめられません。"); };
         },
         [](HWND browser, TSeen&) {
             SelectPath(browser, kWorkFolder);
             Press(browser, IDOK);
         },
         [&](const TOutcome& o) {
             // one box for each selection change: the initial one and the user's
             EXPECT_EQ(o.ErrorBoxes, std::vector<std::string>(2, "選択を確かめられません。"));
             EXPECT_TRUE(o.Accepted);
             EXPECT_EQ(o.Path, kWorkFolder);
         }},
    };

    // In a new prefix, after the other tests of a full run, the shell's browser fails to find a folder
    // made moments before, the first two times it is asked for it (its tree shows nothing selected);
    // from then on it finds it every time. The tree is walked down to the folder once before the
    // scenarios, so that they see the browser as a user does on every later day.
    RunBrowser({"warm-up", nullptr,
                [](HWND browser, TSeen&) {
                    SelectPath(browser, kWorkFolder);
                    SelectPath(browser, kWorkFolder);
                    Press(browser, IDCANCEL);
                },
                [](const TOutcome&) {}});
    for (const TScenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.What);
        const TOutcome outcome = RunBrowser(scenario);
        ASSERT_TRUE(outcome.Found);
        // Every run keeps the application window disabled while the browser is open, and no longer.
        EXPECT_FALSE(outcome.Seen.ApplicationEnabled);
        EXPECT_TRUE(outcome.ApplicationEnabledAfter);
        EXPECT_TRUE(outcome.OwnerEnabledAfter);
        scenario.Check(outcome);
    }
}

TEST_F(FolderBrowseTest, AResultIsClearedByTheNextRun) {
    TSHBrowseForFolderEx browse(nullptr);
    {
        TBrowserDriver driver([](HWND browser) {
            SelectPath(browser, kWorkFolder);
            Press(browser, IDOK);
        });
        ASSERT_TRUE(browse.Execute());
    }
    ASSERT_EQ(browse.Path(), kWorkFolder);
    TBrowserDriver driver([](HWND browser) { Press(browser, IDCANCEL); });
    EXPECT_FALSE(browse.Execute());
    EXPECT_EQ(browse.Path(), "");
    EXPECT_EQ(browse.DisplayName(), "");
}

TEST(PlaceDialog, AtTheOwnersClientOriginInsideTheWorkArea) {
    // What the shell says of its taskbar decides the work area; a taskbar that hides itself takes nothing.
    APPBARDATA taskbar{};
    taskbar.cbSize = sizeof taskbar;
    const bool hasTaskbar = ::SHAppBarMessage(ABM_GETTASKBARPOS, &taskbar) != 0;
    APPBARDATA state{};
    state.cbSize = sizeof state;
    const bool hides = (::SHAppBarMessage(ABM_GETSTATE, &state) & ABS_AUTOHIDE) != 0;
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const int bottom = hasTaskbar && !hides && taskbar.uEdge == ABE_BOTTOM ? taskbar.rc.top : screenHeight;
    const int right = hasTaskbar && !hides && taskbar.uEdge == ABE_RIGHT ? taskbar.rc.left : screenWidth;

    struct Case {
        std::string what;
        POINT ownerOrigin; // where the owner's client area starts
        POINT expected;
    } cases[] = {
        {"fits at the owner", {120, 90}, {120, 90}},
        {"beyond the bottom right", {900, 600}, {right - 400, bottom - 300}},
        {"off the screen to the top left", {-500, -400}, {0, 0}},
    };
    for (const Case& c : cases) {
        // A popup window's client area starts at its window's corner.
        TTestWindow owner(WS_POPUP, c.ownerOrigin.x, c.ownerOrigin.y, 200, 150);
        TTestWindow dialog(WS_POPUP | WS_BORDER, 10, 10, 400, 300);
        PlaceDialog(owner.Handle(), dialog.Handle());
        RECT r{};
        ::GetWindowRect(dialog.Handle(), &r);
        EXPECT_EQ(r.left, c.expected.x) << c.what;
        EXPECT_EQ(r.top, c.expected.y) << c.what;
        EXPECT_EQ(r.right - r.left, 400) << c.what;
        EXPECT_EQ(r.bottom - r.top, 300) << c.what;
    }

    TTestWindow dialog(WS_POPUP, 10, 20, 400, 300);
    PlaceDialog(nullptr, dialog.Handle());
    RECT r{};
    ::GetWindowRect(dialog.Handle(), &r);
    EXPECT_EQ(r.left, 10) << "no owner: left where it was";
    EXPECT_EQ(r.top, 20) << "no owner: left where it was";
}

} // namespace
} // namespace lodestar
