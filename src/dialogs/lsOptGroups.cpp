// The options dialog's first page: the ten groups and the items of the shown one.
#include "lsOpt.h"

#include "resource.h"

namespace lodestar {

void TForm2::CreateItemsPage() {}

int TForm2::ItemCount() const {
    return 0;
}

const TItemData& TForm2::ItemRecordAt(int) const {
    static const TItemData none;
    return none;
}

} // namespace lodestar
