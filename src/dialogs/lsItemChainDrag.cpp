// The chain list as a drag source and target: rows dragged within it, shell objects dropped on it.
#include "lsItem.h"

namespace lodestar {

void TForm3::CreateChainDrag() {}
void TForm3::OpenChainDrag() {}
void TForm3::CloseChainDrag() {}
void TForm3::SetChainDropsAccepted(bool) {}

} // namespace lodestar
