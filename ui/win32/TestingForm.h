// TfrmTesting: the verification window. A text, a progress gauge and a read-only log
// of one line per proxy; TTestingController runs the checks and decides when it closes.
// Shown modally; closing it early cancels the checks still to come.
#pragma once

#include "ui/ProxyVerification.h"
#include "ui/win32/Win32Form.h"

namespace maskaddr {

namespace testingIds {
constexpr int lblInfo = 401;
constexpr int ggTesting = 402;
constexpr int mmoLog = 403;
} // namespace testingIds

class TfrmTesting final : public TWin32Form, public ITestingView {
public:
    TfrmTesting(HWND owner, std::vector<TProxyRec> proxies, const std::string& checkURL, IAppTexts& texts,
                const TPlatform& platform, const TFormData& formData);

    // ITestingView
    void SetInfo(const std::string& text) override;
    void AppendLog(const std::string& line) override;
    void SetProgress(size_t done, size_t total) override;
    void CloseAfter(int ms) override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TTestingController FController;
};

} // namespace maskaddr
