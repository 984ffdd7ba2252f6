// TEMPORARY frame, only so that the groups page can be run and tested before the dialog's own frame and
// settings pages exist; it goes when they come.
#include "lsOpt.h"

#include "AppSettings.h"
#include "Application.h"
#include "lsMain.h"
#include "resource.h"

namespace lodestar {

namespace {
TForm2* openOptions = nullptr;
} // namespace

TForm2::TForm2(TForm1& mainForm)
    : TDialog(IDD_OPT), mainForm_(mainForm), PageControl1(*this, IDC_OPT_TABS),
      TabSheet1(IDD_OPT_ITEMS, this), TabSheet3(IDD_OPT_RUN, this), TabSheet4(IDD_OPT_DROP, this),
      TabSheet2(IDD_OPT_OTHER, this), TabSheet5(IDD_OPT_VERSION, this) {
    openOptions = this;
    PageControl1.AddPage(TabSheet1, "アイコン管理");
    CreateItemsPage();
    OnClick(IDOK, [this] { btnOKClick(); });
    OnClick(IDCANCEL, [this] {
        FormClose();
        EndDialog(IDCANCEL);
    });
}

TForm2::~TForm2() {
    FreeAllItems();
    if (openOptions == this) openOptions = nullptr;
}

TForm2* TForm2::Instance() {
    return openOptions;
}

bool TForm2::Execute() {
    return ShowModal(mainForm_.Handle()) == IDOK;
}

void TForm2::OnInit() {
    FormCreate();
}

void TForm2::FormCreate() {
    SetCaption(Caption() + " - " + Application::Title());
    PageControl1.Open(0);
    OpenItemsPage();
    SetShowMainIconChecked(ProgramSettings().ShowMainIcon);
}

void TForm2::FormClose() {
    CloseItemsPage();
}

void TForm2::btnOKClick() {
    mainForm_.SetCurrentGroup(ShownGroup());
    SaveGroups();
    FormClose();
    EndDialog(IDOK);
}

bool TForm2::DereferLinksChosen() const {
    return ProgramSettings().DereferLinks;
}

} // namespace lodestar
