// Entry of every Windows test executable: OLE (single-threaded apartment) and the common controls are
// initialised once for the whole run.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

namespace {

class WindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        // The classes the program registers at start-up (InitControlClasses in src/ui/Controls.cpp).
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        ::InitCommonControlsEx(&icc);
    }
    void TearDown() override { ::OleUninitialize(); }
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);
    return RUN_ALL_TESTS();
}
