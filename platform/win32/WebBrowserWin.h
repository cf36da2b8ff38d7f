// The system's WebBrowser control hosted in a window: a small OLE container (client
// site, in-place site and frame, host UI handler) that activates the control in place
// in a rectangle of its parent and hands its before-navigation event, with the cancel
// flag, to IEmbeddedBrowser's handler.
#pragma once

#include "platform/EmbeddedBrowser.h"
#include "platform/win32/Handles.h"

#include <exdisp.h>
#include <ole2.h>

namespace maskaddr {

class TWebBrowserWin final : public IEmbeddedBrowser {
public:
    // Creates the control in the parent's client rectangle; Created() tells whether the
    // system had one (a failure is traced). The thread must have initialised OLE.
    TWebBrowserWin(HWND parent, const RECT& bounds);
    ~TWebBrowserWin() override;
    TWebBrowserWin(const TWebBrowserWin&) = delete;
    TWebBrowserWin& operator=(const TWebBrowserWin&) = delete;

    bool Created() const { return FBrowser.Valid(); }
    void Navigate(const std::string& url) override;
    void SetBounds(const RECT& bounds);
    // The control itself, for what the interface does not cover; null when not created.
    IWebBrowser2* Control() const { return FBrowser.Get(); }

    class TSite; // the container's COM object, in the .cpp

private:
    bool Create(HWND parent, const RECT& bounds);
    void BeforeNavigate2(const std::string& url, bool& cancel);

    TSite& Site() const;
    TComPtr<IOleClientSite> FSite; // the TSite, by its first interface
    TComPtr<IOleObject> FObject;
    TComPtr<IWebBrowser2> FBrowser;
    TComPtr<IConnectionPoint> FEvents;
    DWORD FEventsCookie = 0;
};

} // namespace maskaddr
