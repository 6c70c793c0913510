// What screen readers hear of the library's windows. The system's own object for each window
// answers nearly everything; ours stands in front of it where the design knows better: a message
// is an alert whose description is its prompt, a text area has a name, a label can name or
// describe another control, and decoration is not read out.
#include "platform/win32/win32_desktop_p.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdlib>

// The interface ids come from __uuidof: the import library's IID_IAccessible is the address of
// a call stub, not the id.

namespace qvMsgErr::win32 {

namespace {

/// What a control or a window says of itself where the system's object would say otherwise.
struct Spoken {
    std::optional<std::wstring> name, description;
    std::optional<long> role;
    long extraState = 0;
    /// Symbols drawn on the window's surface: graphics after the system's children, each its
    /// meaning and its place in the window's client pixels.
    std::vector<std::pair<std::wstring, RECT>> graphics;

    bool empty() const {
        return !name && !description && !role && extraState == 0 && graphics.empty();
    }
};

/// A caption as heard: the "&" of an access key is not read out ("&&" is a literal one).
std::wstring heard(const std::string& caption) {
    std::wstring text;
    const std::wstring shown = wide(caption);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != L'&' || (i + 1 < shown.size() && shown[++i] == L'&')) {
            text += shown[i];
        }
    }
    return text;
}

BSTR bstrOf(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

bool isSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

/// The system's object of a window with what `Spoken` says put in front of it. Every other
/// question goes to the system's object.
class Speaker final : public IAccessible {
public:
    Speaker(HWND hwnd, IAccessible* system, Spoken spoken)
        : hwnd_(hwnd), system_(system), spoken_(std::move(spoken)) {
        if (FAILED(system_->get_accChildCount(&systemChildren_))) {
            systemChildren_ = 0;
        }
    }
    Speaker(const Speaker&) = delete;
    Speaker& operator=(const Speaker&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --refs_;
        if (left == 0) {
            system_->Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        return system_->GetTypeInfoCount(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
        return system_->GetTypeInfo(i, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid,
                                            DISPID* ids) override {
        return system_->GetIDsOfNames(iid, names, n, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                                     UINT* arg) override {
        return system_->Invoke(id, iid, lcid, flags, params, result, info, arg);
    }

    // IAccessible: what the design says of the window itself
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (const auto* graphic = graphicOf(child); graphic && name) {
            *name = bstrOf(graphic->first);
            return S_OK;
        }
        if (isSelf(child) && spoken_.name && name) {
            *name = bstrOf(*spoken_.name);
            return S_OK;
        }
        return system_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (isSelf(child) && spoken_.description && description) {
            *description = bstrOf(*spoken_.description);
            return S_OK;
        }
        return system_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (const auto* graphic = graphicOf(child); graphic && role) {
            role->vt = VT_I4;
            role->lVal = ROLE_SYSTEM_GRAPHIC;
            return S_OK;
        }
        if (isSelf(child) && spoken_.role && role) {
            role->vt = VT_I4;
            role->lVal = *spoken_.role;
            return S_OK;
        }
        return system_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (graphicOf(child) && state) {
            state->vt = VT_I4;
            state->lVal = STATE_SYSTEM_READONLY;
            return S_OK;
        }
        const HRESULT hr = system_->get_accState(child, state);
        if (SUCCEEDED(hr) && isSelf(child) && state && state->vt == VT_I4) {
            state->lVal |= spoken_.extraState;
        }
        return hr;
    }

    // IAccessible: the rest as the system's object answers it
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return system_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) {
            return E_POINTER;
        }
        *count = systemChildren_ + static_cast<long>(spoken_.graphics.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (graphicOf(child) && out) {
            *out = nullptr;
            return S_FALSE; // an element of this object, with no object of its own
        }
        return system_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return system_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return system_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return system_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return system_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return system_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return system_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return system_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long how, VARIANT child) override {
        return system_->accSelect(how, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h,
                                          VARIANT child) override {
        if (const auto* graphic = graphicOf(child)) {
            if (!x || !y || !w || !h) {
                return E_POINTER;
            }
            RECT r = graphic->second;
            MapWindowPoints(hwnd_, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
            *x = std::min(r.left, r.right);
            *y = r.top;
            *w = std::abs(r.right - r.left);
            *h = r.bottom - r.top;
            return S_OK;
        }
        return system_->accLocation(x, y, w, h, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
        return system_->accNavigate(dir, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return system_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return system_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return system_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return system_->put_accValue(child, value);
    }

private:
    ~Speaker() = default;

    /// The drawn symbol that `child` names, or nullptr.
    const std::pair<std::wstring, RECT>* graphicOf(const VARIANT& child) const {
        const long at = child.vt == VT_I4 ? child.lVal - systemChildren_ - 1 : -1;
        return at >= 0 && at < static_cast<long>(spoken_.graphics.size())
                   ? &spoken_.graphics[static_cast<std::size_t>(at)]
                   : nullptr;
    }

    HWND hwnd_;
    IAccessible* system_;
    Spoken spoken_;
    long systemChildren_ = 0;
    long refs_ = 1;
};

/// Hands a screen reader's client the object of `hwnd` with `spoken` in front of it; 0 where
/// the system's own object serves as well.
LRESULT answer(HWND hwnd, WPARAM wp, LPARAM lp, const Spoken& spoken) {
    if (static_cast<LONG>(lp) != static_cast<LONG>(OBJID_CLIENT) || spoken.empty()) {
        return 0;
    }
    IAccessible* system = nullptr;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&system)))) {
        return 0;
    }
    auto* speaker = new Speaker(hwnd, system, spoken);
    LRESULT result = LresultFromObject(__uuidof(IAccessible), wp, speaker);
    if (result == static_cast<LRESULT>(CO_E_NOTINITIALIZED)) {
        // The object travels to the reader through COM: a thread that shows windows and never
        // started it is a single-threaded apartment all the same.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        result = LresultFromObject(__uuidof(IAccessible), wp, speaker);
    }
    speaker->Release();
    return FAILED(static_cast<HRESULT>(result)) ? 0 : result;
}

} // namespace

LRESULT Win32Window::accessibleObject(HWND receiver, WPARAM wp, LPARAM lp) const {
    Spoken spoken;
    if (receiver == hwnd_) {
        if (const Win32Control* announced =
                design_.announce.empty() ? nullptr : find(design_.announce, -1)) {
            spoken.role = ROLE_SYSTEM_ALERT;
            spoken.description = wide(announced->text());
        }
        const auto named = [&](platform::StockPicture picture, RECT place) {
            if (const std::string& name = pictureNames_[static_cast<std::size_t>(picture)];
                !name.empty()) {
                spoken.graphics.emplace_back(wide(name), place);
            }
        };
        for (const auto& c : controls_) {
            if (c->kind() == platform::ControlKind::Image && c->shown()) {
                named(c->settings().picture, c->clientRect());
            }
        }
        const int size = MulDiv(32, static_cast<int>(dpi_), 96);
        for (const auto* drawings : {&painted_, &pending_}) {
            for (const SurfaceDrawing& d : *drawings) {
                const int x = toPixels(d.x, dpi_), y = toPixels(d.y, dpi_);
                named(d.picture, RECT{x, y, x + size, y + size});
            }
        }
        return answer(receiver, wp, lp, spoken);
    }
    const Win32Control* control = controlOf(receiver);
    if (!control) {
        return 0;
    }
    const platform::ControlDesign& d = control->settings();
    if (!d.accessibleName.empty()) {
        spoken.name = wide(d.accessibleName);
    }
    if (d.decorative) {
        spoken.extraState = STATE_SYSTEM_INVISIBLE;
    }
    // A label shown that names or describes this control lends it its caption.
    for (const auto& label : controls_) {
        const platform::ControlDesign& l = label->settings();
        if (!label->shown()) {
            continue;
        }
        if (!l.labels.empty() && find(l.labels, l.index) == control) {
            spoken.name = heard(label->caption());
        }
        if (!l.describes.empty() && find(l.describes, l.index) == control) {
            spoken.description = heard(label->caption());
        }
    }
    return answer(receiver, wp, lp, spoken);
}

void Win32Window::announce() const {
    if (!design_.announce.empty()) {
        NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    }
}

} // namespace qvMsgErr::win32
