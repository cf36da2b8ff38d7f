// The component model (see Component.h).
#include "framework/components/Component.h"

#include "base/Text.h"

#include <algorithm>

namespace maskaddr {

TComponent::TComponent(TComponent* owner, std::string name, std::string className)
    : FOwner(owner), FName(std::move(name)), FClassName(std::move(className)) {
    if (FOwner != nullptr) FOwner->FComponents.push_back(this);
    Publish(TextProperty("Name", "TComponentName", &FName));
}

TComponent::~TComponent() {
    // Owned components go first, latest first; each one unlinks itself from this list.
    while (!FComponents.empty())
        delete FComponents.back();
    if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::RemoveComponent(TComponent* child) {
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), child), FComponents.end());
}

bool TComponent::InheritsFrom(const std::string& className) const {
    return FClassName == className ||
           std::find(FAncestors.begin(), FAncestors.end(), className) != FAncestors.end();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    for (TComponent* c : FComponents)
        if (SameText(c->Name(), name)) return c;
    return nullptr;
}

void TComponent::Publish(TProperty property) {
    auto it = std::find_if(FProperties.begin(), FProperties.end(),
                           [&](const TProperty& p) { return SameText(p.Name, property.Name); });
    if (it != FProperties.end())
        *it = std::move(property); // a derived class redefines an inherited property
    else
        FProperties.push_back(std::move(property));
}

std::vector<TProperty> TComponent::Properties() const {
    std::vector<TProperty> sorted = FProperties;
    std::stable_sort(sorted.begin(), sorted.end(), [](const TProperty& a, const TProperty& b) {
        return LowerAscii(a.Name) < LowerAscii(b.Name);
    });
    return sorted;
}

const TProperty* TComponent::FindProperty(const std::string& name) const {
    for (const TProperty& p : FProperties)
        if (SameText(p.Name, name)) return &p;
    return nullptr;
}

void TComponent::LoadComponents() {
    FLoading = true;
    // Copy: a component's load step may create further components.
    std::vector<TComponent*> components = FComponents;
    for (TComponent* c : components)
        c->Loaded();
    FLoading = false;
}

TProperty TComponent::TextProperty(std::string name, std::string typeName, std::function<std::string()> get,
                                   std::function<void(const std::string&)> set) {
    TProperty p;
    p.Name = std::move(name);
    p.TypeName = std::move(typeName);
    p.Kind = TPropKind::Text;
    p.Get = std::move(get);
    p.Set = std::move(set);
    return p;
}

TProperty TComponent::TextProperty(std::string name, std::string typeName, std::string* field) {
    return TextProperty(
        std::move(name), std::move(typeName), [field] { return *field; },
        [field](const std::string& v) { *field = v; });
}

} // namespace maskaddr
