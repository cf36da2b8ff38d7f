// The form base (see CLForm.h).
#include "framework/language/CLForm.h"

#include "framework/components/Form.h"
#include "framework/language/CLMultiLang.h"
#include "base/Text.h"

namespace maskaddr {

TCLForm::TCLForm(TComponent* owner, std::string name, TFormData data)
    : TComponent(owner, std::move(name), "TCLForm"), FData(data) {}

void TCLForm::Loaded() {
    if (FRuntimeSetSkinData) ApplySkinData();
    if (FRuntimeSetLanguageData) ApplyLanguageData();
    if (FRunTimeSetFormProperties) ApplyFormProperties();
}

void TCLForm::ApplySkinData() {
    if (FData.SkinData == nullptr || Owner() == nullptr) return;
    for (TComponent* c : Owner()->Components())
        for (const TProperty& p : c->Properties())
            if (p.Kind == TPropKind::Object && SameText(p.TypeName, "TspSkinData") && p.GetObject &&
                p.SetObject && p.GetObject() == nullptr)
                p.SetObject(FData.SkinData);
}

// Only components of exactly the language component's class are linked; a language
// component linked here applies its texts in its own load step if it comes later.
void TCLForm::ApplyLanguageData() {
    if (FData.LanguageData == nullptr || Owner() == nullptr) return;
    for (TComponent* c : Owner()->Components()) {
        if (c->ClassName() != "TCLMultiLang") continue;
        auto* lang = static_cast<TCLMultiLang*>(c);
        if (lang->LanguageData() == nullptr) lang->SetLanguageData(FData.LanguageData);
    }
}

void TCLForm::ApplyFormProperties() {
    if (Owner() == nullptr || !Owner()->InheritsFrom("TForm")) return;
    auto* form = static_cast<TForm*>(Owner());
    form->Scaled = false;
    form->AutoScroll = false;
    form->AutoSize = false;
    form->Position = TFormPosition::MainFormCenter;
}

} // namespace maskaddr
