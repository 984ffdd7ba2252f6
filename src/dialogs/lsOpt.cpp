#include "lsOpt.h"

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
    CreateItemsPage();
}

TForm2::~TForm2() {
    if (openOptions == this) openOptions = nullptr;
}

TForm2* TForm2::Instance() {
    return openOptions;
}

bool TForm2::Execute() {
    return false;
}

void TForm2::OnInit() {}

} // namespace lodestar
