// TCLForm: the form base. A window that carries it is linked, when it is loaded,
// to the skin data and language data it was given (the engine's), and may have its
// layout normalised.
#pragma once

#include "framework/components/Component.h"

namespace maskaddr {

class TCLMultiLangData;

// The data a form base links its window's components to; either may be absent.
struct TFormData {
    TComponent* SkinData = nullptr;
    TCLMultiLangData* LanguageData = nullptr;
};

class TCLForm : public TComponent {
public:
    TCLForm(TComponent* owner, std::string name, TFormData data = {});

    void Loaded() override;
    void ApplySkinData();
    void ApplyLanguageData();
    void ApplyFormProperties();

    bool FRuntimeSetLanguageData = false;
    bool FRuntimeSetSkinData = false;
    bool FRunTimeSetFormProperties = false;

private:
    TFormData FData;
};

} // namespace maskaddr
