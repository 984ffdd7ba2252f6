// Components: every non-visual part of the program has an owner, a name and a tag, and owns the
// components created with it as owner. An owner destroys its components in reverse order of creation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lodestar {

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent();

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    int Tag = 0;

    // The owned component of that name (letter case ignored, as names are identifiers), or null.
    TComponent* FindComponent(std::string_view name) const;
    const std::vector<TComponent*>& Components() const { return components_; }

    // The owner lets go of the component: it no longer lists, finds or destroys it (and is told as if it
    // went); whoever holds the component destroys it.
    void LeaveOwner();

    // Asks to be told (through Notification with opRemove) when `other` is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    bool Destroying() const { return destroying_; }

private:
    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> notified_; // told when this component goes
    bool destroying_ = false;
};

// Owned components are created with `new` and handed to their owner at once; this keeps that in one
// place.
template <typename T, typename... Args> T* CreateComponent(TComponent* owner, Args&&... args) {
    return new T(owner, std::forward<Args>(args)...);
}

} // namespace lodestar
