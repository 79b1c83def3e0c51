#include "com/connpt.h"

#include "com/object.h"

#include <atomic>

namespace com {

namespace {

// An enumerator over a copy of its items, each held by a reference.
template <class Enum, class Item, class Holder>
class Enumerator final : public SingleInterfaceObject<Enum> {
public:
    Enumerator(const IID& iid, std::vector<Holder> items) : iid_(iid), items_(std::move(items)) {
        for (Holder& h : items_) reference(h)->AddRef();
    }
    ~Enumerator() override {
        for (Holder& h : items_) reference(h)->Release();
    }
    HRESULT Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && next_ < items_.size(); ++n, ++next_) {
            out[n] = items_[next_];
            reference(out[n])->AddRef();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        next_ += count;
        if (next_ > items_.size()) {
            next_ = items_.size();
            return S_FALSE;
        }
        return S_OK;
    }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(Enum** clone) override {
        if (!clone) return E_POINTER;
        auto* c = new Enumerator(iid_, items_);
        c->next_ = next_;
        *clone = c;
        return S_OK;
    }

private:
    bool offers(REFIID riid) const override { return riid == iid_; }
    static IUnknown* reference(const CONNECTDATA& d) { return d.pUnk; }
    static IUnknown* reference(IConnectionPoint* p) { return p; }

    IID iid_;
    std::vector<Holder> items_;
    std::size_t next_ = 0;
};

using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, CONNECTDATA>;
using PointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, IConnectionPoint*>;

}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, REFIID outgoing)
    : container_(container), iid_(outgoing) {}

ConnectionPoint::~ConnectionPoint() {
    for (Connection& c : sinks_) c.sink->Release();
}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** out) {
    return queryOne<IConnectionPoint>(this, riid, riid == IID_IConnectionPoint, out);
}

ULONG ConnectionPoint::AddRef() { return container_.AddRef(); }
ULONG ConnectionPoint::Release() { return container_.Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    container_.AddRef();
    *container = &container_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    IUnknown* held = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&held))) || !held) return CONNECT_E_CANNOTCONNECT;
    sinks_.push_back({nextCookie_, held});
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie != cookie) continue;
        IUnknown* sink = it->sink;
        sinks_.erase(it);
        sink->Release();
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    std::vector<CONNECTDATA> items;
    for (const Connection& c : sinks_) items.push_back({c.sink, c.cookie});
    *out = new ConnectionEnumerator(IID_IEnumConnections, std::move(items));
    return S_OK;
}

bool ConnectionPoint::connected(DWORD cookie) const {
    for (const Connection& c : sinks_)
        if (c.cookie == cookie) return true;
    return false;
}

void ConnectionPoint::forEachSink(const std::function<void(IUnknown*)>& call) {
    // The walk runs over a snapshot, each sink held for its call, so the list may change under it.
    std::vector<Connection> snapshot = sinks_;
    for (Connection& c : snapshot) c.sink->AddRef();
    for (Connection& c : snapshot)
        if (connected(c.cookie)) call(c.sink);
    for (Connection& c : snapshot) c.sink->Release();
}

HRESULT ConnectionPoint::fire(DISPID id, DISPPARAMS* params) {
    HRESULT last = S_OK;
    forEachSink([&](IUnknown* sink) {
        last = static_cast<IDispatch*>(sink)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params,
                                                     nullptr, nullptr, nullptr);
    });
    return last;
}

HRESULT enumConnectionPoints(const std::vector<ConnectionPoint*>& points, IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    std::vector<IConnectionPoint*> items(points.begin(), points.end());
    *out = new PointEnumerator(IID_IEnumConnectionPoints, std::move(items));
    return S_OK;
}

HRESULT findConnectionPoint(const std::vector<ConnectionPoint*>& points, REFIID riid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (ConnectionPoint* p : points)
        if (p->outgoing() == riid) {
            p->AddRef();
            *out = p;
            return S_OK;
        }
    return CONNECT_E_NOCONNECTION;
}

}  // namespace com
