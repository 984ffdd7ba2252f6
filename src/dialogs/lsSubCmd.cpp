#include "lsSubCmd.h"

#include "resource.h"

namespace lodestar {

namespace {
TFormChild* openChildEditor = nullptr;
} // namespace

TFormChild::TFormChild(TComponent* owner) : TDialog(IDD_CHILD, owner) {
    openChildEditor = this;
}

TFormChild::~TFormChild() {
    if (openChildEditor == this) openChildEditor = nullptr;
}

TFormChild* TFormChild::Instance() {
    return openChildEditor;
}

void TFormChild::SetNewCaption() {
    newCaption_ = true;
}

bool TFormChild::EditChild(TChildIcon&, int) {
    return false;
}

void TFormChild::SetIDList(const IdList& list) {
    idList_ = list;
}

void TFormChild::OnInit() {}

} // namespace lodestar
