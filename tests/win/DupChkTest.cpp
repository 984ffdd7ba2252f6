// The running-instance check dialog, shown for real and driven from a second thread with clicks, typed
// characters and keys.
#include "lsDupChk.h"

#include "Application.h"
#include "DialogDriver.h"
#include "Seams.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;

const std::string kCaption = "重複起動の検出方法のカスタマイズ - Lodestar";
constexpr int kStd = IDC_DUPCHK_RBSTD;
constexpr int kExeName = IDC_DUPCHK_RBEXENAME;
constexpr int kWndTitle = IDC_DUPCHK_RBWNDTITLE;
constexpr int kEditExe = IDC_DUPCHK_EDITEXENAME;
constexpr int kEditTitle = IDC_DUPCHK_EDITWNDTITLE;

struct TOutcome {
    bool Found = false; // the dialog appeared
    bool Accepted = false;
    int Mode = 0;
    std::string Text;
};

TOutcome ShowDupChk(int mode, std::string text, std::function<void(HWND)> script) {
    TFormDupChk form;
    TDialogDriver driver(kCaption, std::move(script));
    TOutcome outcome;
    outcome.Accepted = form.EditDupCheck(mode, text);
    driver.Join();
    outcome.Found = driver.Found();
    outcome.Mode = mode;
    outcome.Text = text;
    return outcome;
}

std::string Repeat(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

int CheckedRadio(HWND dialog) {
    int checked = 0;
    for (const int radio : {kStd, kExeName, kWndTitle})
        if (IsChecked(dialog, radio)) checked = checked ? -1 : radio; // -1: more than one
    return checked;
}

// The edit of the selected radio button is painted in the window colour, the other in the button face.
void ExpectEditColors(HWND dialog, const std::string& context) {
    struct TPair {
        int Radio;
        int Edit;
    };
    for (const TPair pair : {TPair{kExeName, kEditExe}, TPair{kWndTitle, kEditTitle}}) {
        const int index = IsChecked(dialog, pair.Radio) ? COLOR_WINDOW : COLOR_BTNFACE;
        const TPaintColor color = PaintColorOf(dialog, pair.Edit);
        EXPECT_EQ(color.Brush, ::GetSysColorBrush(index)) << context << ", edit " << pair.Edit;
        EXPECT_EQ(color.Background, ::GetSysColor(index)) << context << ", edit " << pair.Edit;
    }
}

class DupChkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        // An error box would block the dialog's thread; the test sees it instead.
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT) {
            boxes.push_back(caption + ": " + text);
            return IDOK;
        };
        // The colour rule can only be seen when the two colours differ.
        ASSERT_NE(::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_BTNFACE));
    }
    void TearDown() override {
        EXPECT_TRUE(boxes.empty()) << boxes.front();
        ResetSeams();
    }
    std::vector<std::string> boxes;
};

TEST_F(DupChkTest, ShowsTheTextsOfTheDialog) {
    const TOutcome outcome = ShowDupChk(1, "", [](HWND dialog) {
        EXPECT_EQ(TextOf(dialog), kCaption);
        const struct {
            int Id;
            std::string Text;
        } texts[] = {
            {IDC_DUPCHK_LBLCHOOSE, "プログラムが既に起動しているか否かの判断材料を選んでください。"},
            {kStd, "標準(&D)"},
            {IDC_DUPCHK_LBLSTD,
             "[コマンド/"
             "URL]に実行可能ファイルを指定している場合のみ、\r\nそのプログラムの実行有無を検出します。"},
            {kExeName, "指定プログラムが起動していれば実行しない(&C)"},
            {kWndTitle, "指定タイトルのウィンドウがあれば実行しない(&W)"},
        };
        for (const auto& [id, text] : texts)
            EXPECT_EQ(TextOf(Control(dialog, id)), text) << id;
        for (const int edit : {kEditExe, kEditTitle})
            EXPECT_EQ(::SendMessageW(Control(dialog, edit), EM_GETLIMITTEXT, 0, 0), 255) << edit;
        // Its help button opens the dialog's topic (the help tests follow it).
        EXPECT_TRUE(::IsWindowEnabled(Control(dialog, IDC_DUPCHK_BTNHELP)));
        Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(outcome.Found);
}

TEST_F(DupChkTest, StartsFromTheStoredCheckAndEndsByOkOrCancel) {
    const struct {
        int Mode;
        std::string Text;
        int Radio;
        std::string ExeText;
        std::string TitleText;
        int OkMode;
        std::string OkText;
    } cases[] = {
        {0, "notepad.exe", kStd, "", "", 1, ""},
        {1, "", kStd, "", "", 1, ""},
        {2, "NOTEPAD.EXE", kExeName, "NOTEPAD.EXE", "", 2, "NOTEPAD.EXE"},
        {2, "", kExeName, "", "", 1, ""},
        {3, "*メモ帳 - 無題*", kWndTitle, "", "*メモ帳 - 無題*", 3, "*メモ帳 - 無題*"},
        {3, "", kWndTitle, "", "", 3, ""},
        // Modes the dialog does not know show as the standard check.
        {4, "x.exe", kStd, "", "", 1, ""},
        {-1, "x.exe", kStd, "", "", 1, ""},
    };
    for (const auto& c : cases) {
        for (const int button : {IDCANCEL, IDOK}) {
            const std::string context =
                std::to_string(c.Mode) + " '" + c.Text + "' " + std::to_string(button);
            const TOutcome outcome = ShowDupChk(c.Mode, c.Text, [&](HWND dialog) {
                EXPECT_EQ(CheckedRadio(dialog), c.Radio) << context;
                EXPECT_EQ(TextOf(Control(dialog, kEditExe)), c.ExeText) << context;
                EXPECT_EQ(TextOf(Control(dialog, kEditTitle)), c.TitleText) << context;
                ExpectEditColors(dialog, context);
                Click(dialog, button);
            });
            ASSERT_TRUE(outcome.Found) << context;
            EXPECT_EQ(outcome.Accepted, button == IDOK) << context;
            EXPECT_EQ(outcome.Mode, button == IDOK ? c.OkMode : c.Mode) << context;
            EXPECT_EQ(outcome.Text, button == IDOK ? c.OkText : c.Text) << context;
        }
    }
}

TEST_F(DupChkTest, OkStoresTheChosenCheck) {
    const struct {
        const char* Name;
        int Mode;
        std::string Text;
        std::function<void(HWND)> Actions;
        int OkMode;
        std::string OkText;
    } cases[] = {
        {"program check without a name is the standard check", 1, "", [](HWND d) { Click(d, kExeName); }, 1,
         ""},
        {"typed program name", 1, "", [](HWND d) { Type(d, kEditExe, "calc.exe"); }, 2, "calc.exe"},
        {"typed Japanese program name", 3, "abc", [](HWND d) { Type(d, kEditExe, "ペイント.exe"); }, 2,
         "ペイント.exe"},
        {"standard check drops the program name", 2, "a.exe", [](HWND d) { Click(d, kStd); }, 1, ""},
        {"title check keeps an empty pattern", 2, "a.exe", [](HWND d) { Click(d, kWndTitle); }, 3, ""},
        {"program check after a title check", 3, "title*", [](HWND d) { Click(d, kExeName); }, 1, ""},
        {"typed title pattern", 1, "", [](HWND d) { Type(d, kEditTitle, "*メモ帳"); }, 3, "*メモ帳"},
        {"radio clicked after typing wins", 1, "",
         [](HWND d) {
             Type(d, kEditExe, "calc.exe");
             Click(d, kWndTitle);
         },
         3, ""},
        {"typing appends to the stored name", 2, "calc",
         [](HWND d) {
             ::SendMessageW(Control(d, kEditExe), EM_SETSEL, 4, 4);
             Type(d, kEditExe, ".exe");
         },
         2, "calc.exe"},
        {"stored text longer than the typing limit is kept", 2, std::string(300, 'n'), [](HWND) {}, 2,
         std::string(300, 'n')},
        {"typing stops at 255 characters", 1, "", [](HWND d) { Type(d, kEditExe, std::string(300, 'a')); }, 2,
         std::string(255, 'a')},
        {"typing Japanese stops at 255 characters", 1, "",
         [](HWND d) { Type(d, kEditTitle, Repeat("あ", 300)); }, 3, Repeat("あ", 255)},
    };
    for (const auto& c : cases) {
        const TOutcome outcome = ShowDupChk(c.Mode, c.Text, [&](HWND dialog) {
            c.Actions(dialog);
            Click(dialog, IDOK);
        });
        ASSERT_TRUE(outcome.Found) << c.Name;
        EXPECT_TRUE(outcome.Accepted) << c.Name;
        EXPECT_EQ(outcome.Mode, c.OkMode) << c.Name;
        EXPECT_EQ(outcome.Text, c.OkText) << c.Name;
    }
}

TEST_F(DupChkTest, TypingSelectsTheRadioOfTheEdit) {
    const struct {
        const char* Name;
        int Mode;
        std::string Text;
        std::function<void(HWND)> Actions;
        int Radio;
    } cases[] = {
        {"program name from standard", 1, "", [](HWND d) { Type(d, kEditExe, "a"); }, kExeName},
        {"program name from title", 3, "t", [](HWND d) { Type(d, kEditExe, "a"); }, kExeName},
        {"title from standard", 1, "", [](HWND d) { Type(d, kEditTitle, "ウ"); }, kWndTitle},
        {"title from program name", 2, "a.exe", [](HWND d) { Type(d, kEditTitle, "t"); }, kWndTitle},
        {"emptying the program name selects nothing", 2, "a",
         [](HWND d) {
             Click(d, kStd);
             ::SendMessageW(Control(d, kEditExe), EM_SETSEL, 0, -1);
             Type(d, kEditExe, "\b");
             EXPECT_EQ(TextOf(Control(d, kEditExe)), "");
         },
         kStd},
    };
    for (const auto& c : cases) {
        const TOutcome outcome = ShowDupChk(c.Mode, c.Text, [&](HWND dialog) {
            c.Actions(dialog);
            EXPECT_EQ(CheckedRadio(dialog), c.Radio) << c.Name;
            ExpectEditColors(dialog, c.Name);
            Click(dialog, IDCANCEL);
        });
        ASSERT_TRUE(outcome.Found) << c.Name;
    }
}

TEST_F(DupChkTest, ClickedRadioColorsTheEdits) {
    const TOutcome outcome = ShowDupChk(1, "", [](HWND dialog) {
        for (const int radio : {kExeName, kWndTitle, kStd, kWndTitle, kExeName, kStd}) {
            Click(dialog, radio);
            EXPECT_EQ(CheckedRadio(dialog), radio);
            ExpectEditColors(dialog, "after clicking " + std::to_string(radio));
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(outcome.Found);
}

TEST_F(DupChkTest, OwnedByTheActiveWindowElseByTheApplication) {
    struct TWindow {
        HWND Handle = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200,
                                        100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ~TWindow() { ::DestroyWindow(Handle); }
    };
    for (const bool withActive : {false, true}) {
        std::optional<TWindow> window;
        if (withActive) {
            window.emplace();
            ASSERT_TRUE(window->Handle);
            ::SetForegroundWindow(window->Handle);
            ::SetActiveWindow(window->Handle);
            ASSERT_EQ(::GetActiveWindow(), window->Handle);
        } else {
            ::SetActiveWindow(nullptr);
            ASSERT_EQ(::GetActiveWindow(), nullptr);
        }
        const HWND expected = withActive ? window->Handle : Application::Handle();
        const TOutcome outcome = ShowDupChk(1, "", [&](HWND dialog) {
            EXPECT_EQ(::GetWindow(dialog, GW_OWNER), expected) << withActive;
            Click(dialog, IDCANCEL);
        });
        ASSERT_TRUE(outcome.Found) << withActive;
    }
}

} // namespace
} // namespace lodestar
