// qvMsgErr.clsError: the error object behind its automation interface, with its Abort event
// delivered to every connected sink through a connection point. The object also answers to the
// earlier identifiers of its interface and of its event interface.
#include "automation/objects.h"

#include <olectl.h>
#include <qvMsgErr/clsError.h>
#include <qvMsgErr/identifiers.h>

#include <utility>
#include <vector>

namespace qvMsgErr::automation {

namespace {

const IID kErrorEarlier = guidOf(ids::kIClsErrorEarlier.guid);
const IID kEventsEarlier = guidOf(ids::kEventsClsErrorEarlier.guid);

// One connection point for the event interface under one of its identifiers. It lives inside the
// error object and shares its references.
class AbortPoint final : public IConnectionPoint {
public:
    AbortPoint(IConnectionPointContainer& owner, const IID& iid) : owner_(owner), iid_(iid) {}
    AbortPoint(const AbortPoint&) = delete;
    AbortPoint& operator=(const AbortPoint&) = delete;
    ~AbortPoint() {
        for (auto& [cookie, sink] : sinks_) {
            sink->Release();
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        return queryOne<IConnectionPoint>(this, riid, IID_IConnectionPoint, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (iid == nullptr) {
            return E_POINTER;
        }
        *iid = iid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** out) override {
        return handOut(&owner_, out, E_UNEXPECTED);
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (sink == nullptr || cookie == nullptr) {
            return E_POINTER;
        }
        *cookie = 0;
        // A sink answers to the event interface itself, or is any dispatch object that takes
        // the event by its dispatch id.
        IDispatch* dispatch = nullptr;
        if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&dispatch))) &&
            FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            return CONNECT_E_CANNOTCONNECT;
        }
        sinks_.emplace_back(++lastCookie_, dispatch);
        *cookie = lastCookie_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
            if (it->first == cookie) {
                IDispatch* sink = it->second;
                sinks_.erase(it);
                sink->Release();
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
        if (out != nullptr) {
            *out = nullptr;
        }
        return E_NOTIMPL;
    }

    /// Calls Abort on every sink connected now; a sink that fails does not keep the others from
    /// hearing of it.
    void fire() {
        std::vector<IDispatch*> sinks;
        for (auto& [cookie, sink] : sinks_) {
            sink->AddRef();
            sinks.push_back(sink);
        }
        for (IDispatch* sink : sinks) {
            DISPPARAMS none{};
            sink->Invoke(ids::dispErrorEvents::Abort, IID_NULL, LOCALE_USER_DEFAULT,
                         DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
            sink->Release();
        }
    }

private:
    IConnectionPointContainer& owner_;
    const IID& iid_;
    std::vector<std::pair<DWORD, IDispatch*>> sinks_;
    DWORD lastCookie_ = 0;
};

} // namespace

class ErrorObject final : public DispatchObject<_clsError>,
                          public IConnectionPointContainer,
                          public IProvideClassInfo2 {
public:
    ErrorObject() : DispatchObject(IID__clsError) {
        target_.Abort.connect([this] {
            // The event reaches the sinks while the client's Show call is still running.
            AddRef();
            current_.fire();
            earlier_.fire();
            Release();
        });
    }

    // IUnknown of the further interfaces: the object's own.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        return DispatchObject::QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DispatchObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DispatchObject::Release(); }

    QV_VARIABLE(LastNumber, LONG, same<int32_t>, same<LONG>)
    QV_VARIABLE(LastDescription, BSTR, toBstr, text)
    QV_VARIABLE(LastSource, BSTR, toBstr, text)
    QV_GET(AbortPending, VARIANT_BOOL, toVariantBool)
    QV_GET(SupportEmail, BSTR, toBstr)
    QV_LET_BY_REFERENCE(SupportEmail, BSTR, text)
    QV_GET(LastErrorOccured, VARIANT_BOOL, toVariantBool)
    QV_LET_BY_REFERENCE(LastErrorOccured, VARIANT_BOOL, fromVariantBool)
    HRESULT STDMETHODCALLTYPE Show(VARIANT_BOOL Modal, BSTR Description, LONG Number, BSTR Details,
                                   BSTR Solution, BSTR Activity, short* result) override {
        return get(result, [&] {
            return target_.Show(fromVariantBool(Modal), text(Description), Number, text(Details),
                                text(Solution), text(Activity));
        });
    }
    QV_LET_GET(Description, BSTR, toBstr, text)
    QV_LET_GET(Number, LONG, same<int32_t>, same<LONG>)
    QV_LET_GET(Details, BSTR, toBstr, text)
    QV_LET_GET(AppName, BSTR, toBstr, text)
    QV_LET_GET(UserName, BSTR, toBstr, text)
    QV_LET_GET(Appearance, BSTR, toBstr, text)
    QV_GET(Solution, BSTR, toBstr)
    QV_GET(Activity, BSTR, toBstr)
    QV_LET_BY_REFERENCE(Activity, BSTR, text)
    QV_VARIABLE(WriteDebugLog, VARIANT_BOOL, toVariantBool, fromVariantBool)

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
        if (out != nullptr) {
            *out = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
        IConnectionPoint* point = riid == DIID___clsError  ? &current_
                                  : riid == kEventsEarlier ? &earlier_
                                                           : nullptr;
        return handOut(point, out, CONNECT_E_NOCONNECTION);
    }

    // IProvideClassInfo2: how a client finds the event interface to connect to.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override {
        return handOut(typeInfoOf(CLSID_clsError), out, E_UNEXPECTED);
    }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            *out = GUID_NULL;
            return E_INVALIDARG;
        }
        *out = DIID___clsError;
        return S_OK;
    }

protected:
    bool answersTo(REFIID riid) const override {
        return riid == IID__clsError || riid == kErrorEarlier;
    }
    void* queryOther(REFIID riid) override {
        if (riid == IID_IConnectionPointContainer) {
            return static_cast<IConnectionPointContainer*>(this);
        }
        if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2) {
            return static_cast<IProvideClassInfo2*>(this);
        }
        return nullptr;
    }

private:
    clsError target_;
    AbortPoint current_{*this, DIID___clsError};
    AbortPoint earlier_{*this, kEventsEarlier};
};

IUnknown* newError() {
    return static_cast<_clsError*>(new ErrorObject);
}

} // namespace qvMsgErr::automation
