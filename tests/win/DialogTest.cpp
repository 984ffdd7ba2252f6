// The modal dialog base: how a dialog ends, what becomes of exceptions, and the control colours. The
// dialogs shown use the running-instance check's template, with handlers of the test's own.
#include "Dialog.h"

#include "DialogDriver.h"
#include "Errors.h"
#include "Seams.h"
#include "WinError.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;

// The template's own caption: the probe does not add the application title.
const std::string kCaption = "重複起動の検出方法のカスタマイズ";

class TProbeDialog final : public TDialog {
public:
    explicit TProbeDialog(int templateId = IDD_DUPCHK) : TDialog(templateId) {}
    std::function<void(TProbeDialog&)> Init;

    using TDialog::EndDialog;
    using TDialog::FocusControl;
    using TDialog::OnClick;
    using TDialog::ResetControlColor;
    using TDialog::SetControlColor;
    using TDialog::SetControlSysColor;

private:
    void OnInit() override {
        if (Init) Init(*this);
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back(caption + ": " + text);
            EXPECT_EQ(flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
            return IDOK;
        };
    }
    void TearDown() override { ResetSeams(); }
    std::vector<std::string> boxes;
};

TEST_F(DialogTest, EndsWithTheCodeOfTheWayItWasClosed) {
    // One dialog object serves every row: it can be shown again once closed.
    TProbeDialog dialog;
    dialog.OnClick(IDC_DUPCHK_RBSTD, [&] { dialog.EndDialog(42); });
    const struct {
        const char* Name;
        std::function<void(HWND)> Script;
        INT_PTR Code;
    } cases[] = {
        {"OK button", [](HWND d) { Click(d, IDOK); }, IDOK},
        {"Cancel button", [](HWND d) { Click(d, IDCANCEL); }, IDCANCEL},
        {"Enter", [](HWND d) { PressKey(d, IDC_DUPCHK_EDITEXENAME, VK_RETURN); }, IDOK},
        {"Esc", [](HWND d) { PressKey(d, IDC_DUPCHK_EDITEXENAME, VK_ESCAPE); }, IDCANCEL},
        {"close box", [](HWND d) { ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
        {"handler's own code", [](HWND d) { Click(d, IDC_DUPCHK_RBSTD); }, 42},
    };
    for (const auto& c : cases) {
        TDialogDriver driver(kCaption, c.Script);
        EXPECT_EQ(dialog.ShowModal(nullptr), c.Code) << c.Name;
        driver.Join();
        EXPECT_TRUE(driver.Found()) << c.Name;
        EXPECT_EQ(dialog.Handle(), nullptr) << c.Name;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DialogTest, HandlerTakesEnterOrEscAwayFromTheDefault) {
    TProbeDialog dialog;
    int cancels = 0;
    dialog.OnClick(IDCANCEL, [&] { ++cancels; });
    TDialogDriver driver(kCaption, [](HWND d) {
        PressKey(d, IDC_DUPCHK_EDITEXENAME, VK_ESCAPE);
        Click(d, IDCANCEL);
        // Still open: the handler decides, and it did not end the dialog.
        ::Sleep(100);
        EXPECT_TRUE(::IsWindowVisible(d));
        Click(d, IDOK);
    });
    EXPECT_EQ(dialog.ShowModal(nullptr), IDOK);
    driver.Join();
    EXPECT_EQ(cancels, 2);
}

TEST_F(DialogTest, HandlerExceptionIsShownAndTheDialogStaysOpen) {
    TProbeDialog dialog;
    dialog.OnClick(IDC_DUPCHK_RBSTD, [] { throw EProgramError("項目を保存できません。"); });
    dialog.OnClick(IDC_DUPCHK_RBEXENAME, [] { throw 7; });
    TDialogDriver driver(kCaption, [](HWND d) {
        Click(d, IDC_DUPCHK_RBSTD);
        Click(d, IDC_DUPCHK_RBEXENAME);
        EXPECT_TRUE(::IsWindowVisible(d));
        Click(d, IDOK);
    });
    EXPECT_EQ(dialog.ShowModal(nullptr), IDOK);
    driver.Join();
    EXPECT_EQ(boxes, (std::vector<std::string>{"Lodestar: 項目を保存できません。",
                                               "Lodestar: 不明なエラーが発生しました。"}));
}

TEST_F(DialogTest, InitialisationErrorReachesTheCallerAndNothingIsShown) {
    TProbeDialog dialog;
    dialog.Init = [](TProbeDialog&) { throw EProgramError("設定を読めません。"); };
    TDialogDriver driver(kCaption, [](HWND) { ADD_FAILURE() << "the dialog was shown"; });
    try {
        dialog.ShowModal(nullptr);
        ADD_FAILURE() << "ShowModal returned";
    } catch (const EProgramError& e) {
        EXPECT_STREQ(e.what(), "設定を読めません。");
    }
    driver.Join();
    EXPECT_FALSE(driver.Found());
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DialogTest, FocusChosenAtInitialisationIsKept) {
    // Without a choice the dialog manager focuses the first control that takes the tab key.
    for (const int focus : {0, IDC_DUPCHK_EDITWNDTITLE, IDCANCEL}) {
        TProbeDialog dialog;
        if (focus) dialog.Init = [focus](TProbeDialog& d) { d.FocusControl(focus); };
        TDialogDriver driver(kCaption, [&](HWND d) {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            ::GetGUIThreadInfo(::GetWindowThreadProcessId(d, nullptr), &info);
            EXPECT_EQ(info.hwndFocus, Control(d, focus ? focus : IDC_DUPCHK_RBSTD)) << focus;
            Click(d, IDCANCEL);
        });
        EXPECT_EQ(dialog.ShowModal(nullptr), IDCANCEL);
        driver.Join();
        EXPECT_TRUE(driver.Found()) << focus;
    }
}

TEST_F(DialogTest, MissingTemplateIsAnError) {
    TProbeDialog dialog(9999);
    EXPECT_THROW(dialog.ShowModal(nullptr), EWindowsError);
}

TEST_F(DialogTest, ControlColorsFollowTheirSettings) {
    constexpr COLORREF kFixed = RGB(10, 20, 30);
    TProbeDialog dialog;
    dialog.Init = [&](TProbeDialog& d) {
        d.SetControlColor(IDC_DUPCHK_EDITEXENAME, kFixed);
        d.SetControlSysColor(IDC_DUPCHK_EDITWNDTITLE, COLOR_INFOBK);
    };
    dialog.OnClick(IDC_DUPCHK_RBSTD, [&] {
        dialog.ResetControlColor(IDC_DUPCHK_EDITEXENAME);
        dialog.SetControlColor(IDC_DUPCHK_EDITWNDTITLE, RGB(200, 100, 0));
    });
    TDialogDriver driver(kCaption, [&](HWND d) {
        // Read-only and disabled edits ask with WM_CTLCOLORSTATIC: the same colour.
        for (const UINT message : {WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC}) {
            const TPaintColor fixed = PaintColorOf(d, IDC_DUPCHK_EDITEXENAME, message);
            EXPECT_EQ(fixed.Background, kFixed) << message;
            LOGBRUSH brush{};
            ASSERT_EQ(::GetObjectW(fixed.Brush, sizeof brush, &brush), static_cast<int>(sizeof brush))
                << message;
            EXPECT_EQ(brush.lbColor, kFixed) << message;
            const TPaintColor system = PaintColorOf(d, IDC_DUPCHK_EDITWNDTITLE, message);
            EXPECT_EQ(system.Brush, ::GetSysColorBrush(COLOR_INFOBK)) << message;
            EXPECT_EQ(system.Background, ::GetSysColor(COLOR_INFOBK)) << message;
        }
        // Controls without a colour keep the default one.
        const TPaintColor label = PaintColorOf(d, IDC_DUPCHK_LBLCHOOSE, WM_CTLCOLORSTATIC);
        EXPECT_NE(label.Background, kFixed);
        EXPECT_NE(label.Brush, ::GetSysColorBrush(COLOR_INFOBK));

        Click(d, IDC_DUPCHK_RBSTD);
        const TPaintColor reset = PaintColorOf(d, IDC_DUPCHK_EDITEXENAME);
        EXPECT_NE(reset.Background, kFixed);
        const TPaintColor replaced = PaintColorOf(d, IDC_DUPCHK_EDITWNDTITLE);
        EXPECT_EQ(replaced.Background, RGB(200, 100, 0));
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.ShowModal(nullptr), IDCANCEL);
    driver.Join();
    EXPECT_TRUE(driver.Found());
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace lodestar
