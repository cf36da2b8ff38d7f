// The component model of our windows: a window owns named components in
// declaration order, and each component publishes properties by name, type name
// and kind, with accessors that read and change the real control. The language
// resources translate windows through this model, and the form base links
// components to the engine's objects through it.
#pragma once

#include "base/Text.h" // the string-list text form of "Lines" properties: JoinLines, SplitLines

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace maskaddr {

class TComponent;

enum class TPropKind {
    Text,       // a string value (captions, hints, names)
    Strings,    // a string list, read and written as its lines joined by CR LF
    Collection, // a list of items, each with text properties of its own
    Object,     // a reference to another component (actions, skin data, language data)
};

struct TProperty {
    std::string Name;
    std::string TypeName; // "TCaption", "TStrings", "TComponentName", "TBasicAction", ...
    TPropKind Kind = TPropKind::Text;
    bool Writable = true;
    bool SingleByte = false; // held as a single-byte string
    // Text and Strings.
    std::function<std::string()> Get;
    std::function<void(const std::string&)> Set;
    // Collection: the item count and the text properties of one item.
    std::function<size_t()> ItemCount;
    std::function<std::vector<TProperty>(size_t)> ItemProperties;
    // Object.
    std::function<TComponent*()> GetObject;
    std::function<void(TComponent*)> SetObject;
};

class TComponent {
public:
    // The owner (may be null) takes ownership of the component: it is destroyed with it.
    TComponent(TComponent* owner, std::string name, std::string className);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return FName; }
    const std::string& ClassName() const { return FClassName; }
    // True for the component's own class and every class it derives from (exact names).
    bool InheritsFrom(const std::string& className) const;
    TComponent* Owner() const { return FOwner; }
    // The owned components, in declaration (creation) order.
    const std::vector<TComponent*>& Components() const { return FComponents; }
    TComponent* FindComponent(const std::string& name) const;

    // The published properties, in the alphabetical order of their names (case-insensitive).
    std::vector<TProperty> Properties() const;
    const TProperty* FindProperty(const std::string& name) const;

    // Called once the owning window and all its components exist, in declaration order.
    virtual void Loaded() {}
    // Calls Loaded on this component's owned components in order (windows call it at the end
    // of their construction).
    void LoadComponents();
    bool IsLoading() const { return FLoading; }

protected:
    // Derived classes publish their properties, and name their ancestry, from their constructors.
    void Publish(TProperty property);
    void AddAncestor(std::string className) { FAncestors.push_back(std::move(className)); }
    // A text property read and written through the given accessors.
    static TProperty TextProperty(std::string name, std::string typeName, std::function<std::string()> get,
                                  std::function<void(const std::string&)> set);
    // A plain text property kept in a string member.
    static TProperty TextProperty(std::string name, std::string typeName, std::string* field);

private:
    void RemoveComponent(TComponent* child);

    TComponent* FOwner;
    std::string FName;
    std::string FClassName;
    std::vector<std::string> FAncestors;
    std::vector<TComponent*> FComponents;
    std::vector<TProperty> FProperties;
    bool FLoading = false;
};

} // namespace maskaddr
