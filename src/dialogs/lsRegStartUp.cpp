#include "lsRegStartUp.h"

#include "Application.h"
#include "Controls.h"
#include "lsCommonUi.h"
#include "resource.h"

namespace lodestar {

namespace {
constexpr int kMaxDelaySeconds = 10;
constexpr int kHelpTopic = 19;
} // namespace

TFormRegStartUp::TFormRegStartUp() : TDialog(IDD_REGSTARTUP) {
    OnScroll(IDC_REGSTARTUP_TRACKDELAY, [this](int) { trackDelayChange(); });
    OnClick(IDOK, [this] {
        delay_ = TTrackBar(Item(IDC_REGSTARTUP_TRACKDELAY)).Position();
        EndDialog(IDOK);
    });
    for (const int id : {IDC_REGSTARTUP_GROUPDELAY, IDC_REGSTARTUP_TRACKDELAY})
        SetHelpContext(id, kHelpTopic);
    BindHelpMenu({IDC_REGSTARTUP_GROUPDELAY, IDC_REGSTARTUP_TRACKDELAY, IDC_REGSTARTUP_LBLNONE,
                  IDC_REGSTARTUP_LBLMAX, IDC_REGSTARTUP_LABELDELAY});
}

std::optional<int> TFormRegStartUp::AskDelay() {
    HWND owner = ::GetActiveWindow();
    if (!owner) owner = Application::Handle();
    if (ShowModal(owner) != IDOK) return std::nullopt;
    return delay_;
}

void TFormRegStartUp::OnInit() {
    UseSystemUIFont(Handle());
    SetCaption(Caption() + " - " + Application::Title());
    TTrackBar track(Item(IDC_REGSTARTUP_TRACKDELAY));
    track.SetRange(0, kMaxDelaySeconds);
    track.SetLineSize(1);
    track.SetPageSize(1);
    track.SetTickFrequency(1);
    track.SetPosition(0);
    trackDelayChange();
    if (placement_) placement_(Handle());
}

void TFormRegStartUp::trackDelayChange() {
    SetText(IDC_REGSTARTUP_LABELDELAY,
            std::to_string(TTrackBar(Item(IDC_REGSTARTUP_TRACKDELAY)).Position()) + " 秒");
}

} // namespace lodestar
