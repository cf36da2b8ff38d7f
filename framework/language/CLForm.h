// TCLForm: the form base. A window that carries it is linked, when it is loaded,
// to the engine's skin data and language data, and may have its layout normalised.
#pragma once

#include "framework/components/Component.h"

namespace maskaddr {

class TCLForm : public TComponent {
public:
    TCLForm(TComponent* owner, std::string name);

    void Loaded() override;
    void ApplySkinData();
    void ApplyLanguageData();
    void ApplyFormProperties();

    bool FRuntimeSetLanguageData = false;
    bool FRuntimeSetSkinData = false;
    bool FRunTimeSetFormProperties = false;
};

} // namespace maskaddr
