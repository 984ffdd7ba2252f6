#include "Component.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace lodestar {

namespace {
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void Erase(std::vector<TComponent*>& list, TComponent* c) {
    list.erase(std::remove(list.begin(), list.end(), c), list.end());
}
} // namespace

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    // Everyone who asked is told first, while this component is still whole.
    const std::vector<TComponent*> notified = notified_;
    for (TComponent* other : notified) {
        Erase(other->notified_, this);
        other->Notification(this, TOperation::opRemove);
    }
    while (!components_.empty())
        delete components_.back();
    if (owner_) {
        Erase(owner_->components_, this);
        if (!owner_->destroying_) owner_->Notification(this, TOperation::opRemove);
    }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameName(c->Name(), name)) return c;
    return nullptr;
}

void TComponent::LeaveOwner() {
    if (!owner_) return;
    TComponent* owner = std::exchange(owner_, nullptr);
    Erase(owner->components_, this);
    if (!owner->destroying_) owner->Notification(this, TOperation::opRemove);
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(other->notified_.begin(), other->notified_.end(), this) == other->notified_.end())
        other->notified_.push_back(this);
    if (std::find(notified_.begin(), notified_.end(), other) == notified_.end()) notified_.push_back(other);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    Erase(other->notified_, this);
    Erase(notified_, other);
}

void TComponent::Notification(TComponent*, TOperation) {}

} // namespace lodestar
