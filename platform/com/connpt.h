#pragma once
// Connection points: the interfaces, and a reusable connection point whose sink list stays valid
// while an event is being fired (a sink may unadvise itself or others from inside the call).

#include "com/oleauto.h"

#include <functional>
#include <vector>

struct IConnectionPointContainer;

struct CONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
};

struct IEnumConnections : IUnknown {
    virtual HRESULT Next(ULONG count, CONNECTDATA* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumConnections** clone) = 0;
};
COM_INTERFACE_ID(IEnumConnections, "{B196B287-BAB4-101A-B69C-00AA00341D07}");

struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;
};
COM_INTERFACE_ID(IConnectionPoint, "{B196B286-BAB4-101A-B69C-00AA00341D07}");

struct IEnumConnectionPoints : IUnknown {
    virtual HRESULT Next(ULONG count, IConnectionPoint** items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumConnectionPoints** clone) = 0;
};
COM_INTERFACE_ID(IEnumConnectionPoints, "{B196B285-BAB4-101A-B69C-00AA00341D07}");

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;
};
COM_INTERFACE_ID(IConnectionPointContainer, "{B196B284-BAB4-101A-B69C-00AA00341D07}");


namespace com {

// One connection point, a part of its container: its references are the container's. Sinks are
// asked for the outgoing interface when they advise and kept in connection order.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& container, REFIID outgoing);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** connections) override;

    // Calls each sink connected when the walk starts, in connection order, holding a reference
    // on it for the call; a sink unadvised before its turn is skipped.
    void forEachSink(const std::function<void(IUnknown* sink)>& call);
    // Fires an event: IDispatch::Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params)
    // on each sink in turn, without result or exception info. Answers the last call's result,
    // S_OK when there is no sink.
    HRESULT fire(DISPID id, DISPPARAMS* params);
    std::size_t connectionCount() const { return sinks_.size(); }
    REFIID outgoing() const { return iid_; }

private:
    struct Connection {
        DWORD cookie;
        IUnknown* sink;
    };
    bool connected(DWORD cookie) const;

    IConnectionPointContainer& container_;
    IID iid_;
    std::vector<Connection> sinks_;
    DWORD nextCookie_ = 1;
};

// EnumConnectionPoints and FindConnectionPoint over a container's points, for a container class
// to forward its two methods to.
HRESULT enumConnectionPoints(const std::vector<ConnectionPoint*>& points, IEnumConnectionPoints** out);
HRESULT findConnectionPoint(const std::vector<ConnectionPoint*>& points, REFIID riid, IConnectionPoint** out);

}  // namespace com
