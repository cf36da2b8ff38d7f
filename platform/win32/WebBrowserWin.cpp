// The WebBrowser control's container (see WebBrowserWin.h). The site is one COM
// object that answers for every container interface the control asks for and is the
// sink of its DWebBrowserEvents2; it reaches its owner through a pointer that the
// owner clears when it goes, so late calls from the control find nothing to call.
#include "platform/win32/WebBrowserWin.h"

#include "platform/win32/WinText.h"

#include <exdispid.h>
#include <mshtmhst.h>
#include <oleauto.h>

#include <functional>
#include <utility>

namespace maskaddr {

namespace {

// A BSTR of our own, freed once.
class TBstr {
public:
    explicit TBstr(const std::string& utf8) : FText(SysAllocString(ToWide(utf8).c_str())) {}
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    ~TBstr() { SysFreeString(FText); }
    BSTR Get() const { return FText; }

private:
    BSTR FText;
};

// The text of a VARIANT argument that the control passes by reference or by value.
std::string VariantText(const VARIANT& v) {
    const VARIANT* inner = (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal != nullptr) ? v.pvarVal : &v;
    if (inner->vt == VT_BSTR && inner->bstrVal != nullptr) return ToUtf8(inner->bstrVal);
    if (inner->vt == (VT_BYREF | VT_BSTR) && inner->pbstrVal != nullptr && *inner->pbstrVal != nullptr)
        return ToUtf8(*inner->pbstrVal);
    return {};
}

} // namespace

class TWebBrowserWin::TSite final : public IOleClientSite,
                                    public IOleInPlaceSite,
                                    public IOleInPlaceFrame,
                                    public IDocHostUIHandler,
                                    public IDispatch {
public:
    TSite(HWND window, RECT bounds, std::function<void(const std::string&, bool&)> beforeNavigate)
        : FWindow(window), FBounds(bounds), FBeforeNavigate(std::move(beforeNavigate)) {}
    void Detach() { FBeforeNavigate = nullptr; }
    void SetBounds(const RECT& bounds) { FBounds = bounds; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IDocHostUIHandler)
            *out = static_cast<IDocHostUIHandler*>(this);
        else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2)
            *out = static_cast<IDispatch*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FReferences; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --FReferences;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of both the site and the frame)
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = FWindow;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        *position = FBounds;
        *clip = FBounds;
        info->fMDIApp = FALSE;
        info->hwndFrame = FWindow;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status line.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; } // of the frame and the UI handler
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler: the page draws no sunken border of its own; the rest is the
    // control's default.
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
        if (info == nullptr || info->cbSize < sizeof(DOCHOSTUIINFO)) return E_INVALIDARG;
        info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_FALSE;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
        *key = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override {
        *target = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** external) override {
        *external = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) override {
        *translated = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** filtered) override {
        *filtered = nullptr;
        return S_FALSE;
    }

    // IDispatch: the control's events; only the before-navigation event is taken.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        // Arguments come last first: pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel.
        if (id != DISPID_BEFORENAVIGATE2 || params == nullptr || params->cArgs < 7) return S_OK;
        VARIANT& cancelArg = params->rgvarg[0];
        if (cancelArg.vt != (VT_BYREF | VT_BOOL) || cancelArg.pboolVal == nullptr || !FBeforeNavigate)
            return S_OK;
        try {
            bool cancel = *cancelArg.pboolVal != VARIANT_FALSE;
            FBeforeNavigate(VariantText(params->rgvarg[5]), cancel);
            *cancelArg.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
        } catch (const std::exception& e) {
            TraceFailedCall("BeforeNavigate2", "", e.what());
        }
        return S_OK;
    }

private:
    ~TSite() = default;
    ULONG FReferences = 1; // the creator's
    HWND FWindow;
    RECT FBounds;
    std::function<void(const std::string&, bool&)> FBeforeNavigate;
};

TWebBrowserWin::TSite& TWebBrowserWin::Site() const {
    return *static_cast<TSite*>(FSite.Get());
}

TWebBrowserWin::TWebBrowserWin(HWND parent, const RECT& bounds) {
    FSite.Attach(new TSite(parent, bounds,
                           [this](const std::string& url, bool& cancel) { BeforeNavigate2(url, cancel); }));
    if (!Create(parent, bounds)) FBrowser.Close();
}

// In-place activation in the parent, then the events of the control.
bool TWebBrowserWin::Create(HWND parent, const RECT& bounds) {
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(FObject.Receive()));
    if (FAILED(hr)) {
        TraceFailedCall("CoCreateInstance", "CLSID_WebBrowser", ErrorText(static_cast<DWORD>(hr)));
        return false;
    }
    IOleClientSite* site = FSite.Get();
    hr = FObject.Get()->SetClientSite(site);
    if (SUCCEEDED(hr)) hr = OleSetContainedObject(FObject.Get(), TRUE);
    RECT area = bounds;
    if (SUCCEEDED(hr)) hr = FObject.Get()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &area);
    if (SUCCEEDED(hr))
        hr = FObject.Get()->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(FBrowser.Receive()));
    if (FAILED(hr)) {
        TraceFailedCall("IOleObject::DoVerb", "OLEIVERB_INPLACEACTIVATE", ErrorText(static_cast<DWORD>(hr)));
        return false;
    }
    TComPtr<IConnectionPointContainer> points;
    hr = FBrowser.Get()->QueryInterface(IID_IConnectionPointContainer,
                                        reinterpret_cast<void**>(points.Receive()));
    if (SUCCEEDED(hr)) hr = points.Get()->FindConnectionPoint(DIID_DWebBrowserEvents2, FEvents.Receive());
    if (SUCCEEDED(hr)) hr = FEvents.Get()->Advise(static_cast<IDispatch*>(&Site()), &FEventsCookie);
    if (FAILED(hr)) {
        TraceFailedCall("IConnectionPoint::Advise", "DWebBrowserEvents2", ErrorText(static_cast<DWORD>(hr)));
        FEvents.Close();
        return false;
    }
    return true;
}

TWebBrowserWin::~TWebBrowserWin() {
    Site().Detach();
    if (FEvents && FEventsCookie != 0) FEvents.Get()->Unadvise(FEventsCookie);
    if (FObject) {
        FObject.Get()->Close(OLECLOSE_NOSAVE);
        FObject.Get()->SetClientSite(nullptr);
    }
}

void TWebBrowserWin::Navigate(const std::string& url) {
    if (!FBrowser) return;
    const TBstr address(url);
    VARIANT empty;
    VariantInit(&empty);
    const HRESULT hr = FBrowser.Get()->Navigate(address.Get(), &empty, &empty, &empty, &empty);
    if (FAILED(hr)) TraceFailedCall("IWebBrowser2::Navigate", url, ErrorText(static_cast<DWORD>(hr)));
}

void TWebBrowserWin::SetBounds(const RECT& bounds) {
    Site().SetBounds(bounds);
    TComPtr<IOleInPlaceObject> inPlace;
    if (FObject && SUCCEEDED(FObject.Get()->QueryInterface(IID_IOleInPlaceObject,
                                                           reinterpret_cast<void**>(inPlace.Receive()))))
        inPlace.Get()->SetObjectRects(&bounds, &bounds);
}

void TWebBrowserWin::BeforeNavigate2(const std::string& url, bool& cancel) {
    if (OnBeforeNavigate2) OnBeforeNavigate2(url, cancel);
}

} // namespace maskaddr
