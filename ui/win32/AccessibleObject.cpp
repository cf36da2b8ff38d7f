// The control's own accessible object (see AccessibleObject.h): the system's standard object
// for the control, with the name and value answered here.
#include "ui/win32/AccessibleObject.h"

#include <commctrl.h>
#include <oleacc.h>

#include <utility>

namespace maskaddr {

namespace {

constexpr wchar_t kTextsProp[] = L"Maskaddr.AccessibleTexts";

struct TAccessibleTexts {
    TAccessibleText Name, Value;
};

// Forwards every question to the standard object but the two it was given answers for.
class TAccessibleOverride final : public IAccessible {
public:
    TAccessibleOverride(IAccessible* standard, const TAccessibleTexts& texts) : FStandard(standard), FTexts(texts) {
        FStandard->AddRef();
    }
    TAccessibleOverride(const TAccessibleOverride&) = delete;
    TAccessibleOverride& operator=(const TAccessibleOverride&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // Anything else the standard object offers (enumeration of children, ...).
        return FStandard->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&FRefs);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Answer(FTexts.Name, child, out, [&] { return FStandard->get_accName(child, out); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return Answer(FTexts.Value, child, out, [&] { return FStandard->get_accValue(child, out); });
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return FStandard->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return FStandard->GetTypeInfo(i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return FStandard->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                     UINT* a) override {
        return FStandard->Invoke(d, r, l, f, p, v, e, a);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return FStandard->get_accParent(p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override { return FStandard->get_accChildCount(n); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override { return FStandard->get_accChild(c, p); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* s) override {
        return FStandard->get_accDescription(c, s);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override { return FStandard->get_accRole(c, r); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override { return FStandard->get_accState(c, s); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* s) override { return FStandard->get_accHelp(c, s); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override {
        return FStandard->get_accHelpTopic(f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* s) override {
        return FStandard->get_accKeyboardShortcut(c, s);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override { return FStandard->get_accFocus(c); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override { return FStandard->get_accSelection(c); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* s) override {
        return FStandard->get_accDefaultAction(c, s);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override { return FStandard->accSelect(f, c); }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT c) override {
        return FStandard->accLocation(x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override {
        return FStandard->accNavigate(d, s, e);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override { return FStandard->accHitTest(x, y, c); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return FStandard->accDoDefaultAction(c); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR s) override { return FStandard->put_accName(c, s); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR s) override { return FStandard->put_accValue(c, s); }

private:
    ~TAccessibleOverride() { FStandard->Release(); }

    template <class Standard>
    static HRESULT Answer(const TAccessibleText& text, const VARIANT& child, BSTR* out, Standard standard) {
        if (!text || child.vt != VT_I4 || child.lVal != CHILDID_SELF) return standard();
        if (out == nullptr) return E_POINTER;
        const std::wstring answer = text();
        *out = answer.empty() ? nullptr : SysAllocStringLen(answer.data(), static_cast<UINT>(answer.size()));
        return *out == nullptr ? S_FALSE : S_OK;
    }

    LONG FRefs = 1;
    IAccessible* FStandard;
    TAccessibleTexts FTexts; // a copy: the object may outlive the control
};

LRESULT CALLBACK AccessibleTextsProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto* texts = reinterpret_cast<TAccessibleTexts*>(data);
    if (msg == WM_GETOBJECT && static_cast<LONG>(lParam) == static_cast<LONG>(OBJID_CLIENT)) {
        IAccessible* standard = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(w, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&standard)))) {
            auto* object = new TAccessibleOverride(standard, *texts);
            standard->Release();
            const LRESULT answer = LresultFromObject(__uuidof(IAccessible), wParam, object);
            object->Release();
            if (answer > 0) return answer;
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(w, AccessibleTextsProc, id);
        RemovePropW(w, kTextsProp);
        delete texts;
    }
    return DefSubclassProc(w, msg, wParam, lParam);
}

} // namespace

void SetAccessibleTexts(HWND control, TAccessibleText name, TAccessibleText value) {
    if (control == nullptr) return;
    // One subclass per control: a second call replaces the texts of the first.
    if (auto* known = static_cast<TAccessibleTexts*>(GetPropW(control, kTextsProp))) {
        *known = TAccessibleTexts{std::move(name), std::move(value)};
        return;
    }
    auto* texts = new TAccessibleTexts{std::move(name), std::move(value)};
    if (SetWindowSubclass(control, AccessibleTextsProc, 1, reinterpret_cast<DWORD_PTR>(texts)))
        SetPropW(control, kTextsProp, texts);
    else
        delete texts;
}

void NameByCaption(HWND control, HWND captioned) {
    SetAccessibleTexts(control, [captioned] { return SpokenCaption(captioned); });
}

std::wstring SpokenCaption(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    // Without the access key's mark ("&&" speaks one "&") and the run of blanks a caption may
    // keep for a control laid on it.
    std::wstring spoken;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        if (text[i] == L' ' && (spoken.empty() || spoken.back() == L' ')) continue;
        spoken += text[i];
    }
    if (!spoken.empty() && spoken.back() == L' ') spoken.pop_back();
    return spoken;
}

} // namespace maskaddr
