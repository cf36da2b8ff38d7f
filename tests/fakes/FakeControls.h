// Controls of the component model held in memory: what the language resources and
// the form base see of a real window, without one.
#pragma once

#include "framework/components/Form.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TFakeControl : public TComponent {
public:
    std::string Caption, Hint, Text, SkinDataName;
    std::vector<std::string> Lines;
    std::vector<std::string> Panels; // a collection whose items have one text property "Text"
    TComponent* Action = nullptr;
    TComponent* SkinData = nullptr;

    TFakeControl(TComponent* owner, std::string name, std::string className = "TButton")
        : TComponent(owner, std::move(name), std::move(className)) {
        Publish(TextProperty("Caption", "TCaption", &Caption));
        Publish(TextProperty("Hint", "string", &Hint));
        Publish(TextProperty("Text", "TCaption", &Text));
        Publish(TextProperty("SkinDataName", "string", &SkinDataName));
        TProperty lines;
        lines.Name = "Lines";
        lines.TypeName = "TStrings";
        lines.Kind = TPropKind::Strings;
        lines.Get = [this] { return JoinLines(Lines); };
        lines.Set = [this](const std::string& v) { Lines = SplitLines(v); };
        Publish(lines);
        TProperty panels;
        panels.Name = "Panels";
        panels.TypeName = "TStatusPanels";
        panels.Kind = TPropKind::Collection;
        panels.ItemCount = [this] { return Panels.size(); };
        panels.ItemProperties = [this](size_t i) {
            return std::vector<TProperty>{TextProperty("Text", "string", &Panels[i])};
        };
        Publish(panels);
        Publish(ObjectProperty("Action", "TBasicAction", &Action));
        Publish(ObjectProperty("SkinData", "TspSkinData", &SkinData));
    }

    static TProperty ObjectProperty(std::string name, std::string type, TComponent** field) {
        TProperty p;
        p.Name = std::move(name);
        p.TypeName = std::move(type);
        p.Kind = TPropKind::Object;
        p.GetObject = [field] { return *field; };
        p.SetObject = [field](TComponent* c) { *field = c; };
        return p;
    }
};

// A window with a caption of its own.
class TFakeForm : public TForm {
public:
    std::string Caption;
    TFakeForm(std::string name, std::string className)
        : TForm(nullptr, std::move(name), std::move(className)) {
        Publish(TextProperty("Caption", "TCaption", &Caption));
    }
};

} // namespace maskaddr::test
