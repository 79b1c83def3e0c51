#include "com/connpt.h"
#include "sample.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using com::ComPtr;

// A source object with one connection point for _ISampleEvents.
class Source final : public IConnectionPointContainer {
public:
    Source() : point(*this, DIID_ISampleEvents) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IConnectionPointContainer) {
            *out = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** out) override {
        return com::enumConnectionPoints({&point}, out);
    }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
        return com::findConnectionPoint({&point}, riid, out);
    }

    ULONG refs = 1;
    com::ConnectionPoint point;
};

// A sink that records each event and may act while it is being called.
class Sink final : public IDispatch {
public:
    Sink(std::vector<int>& log, int name) : log_(log), name_(name) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_ISampleEvents) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT*) override {
        EXPECT_EQ(riid, IID_NULL);
        EXPECT_EQ(lcid, LOCALE_USER_DEFAULT);
        EXPECT_EQ(flags, DISPATCH_METHOD);
        EXPECT_EQ(result, nullptr);
        EXPECT_EQ(excep, nullptr);
        log_.push_back(name_ * 100 + id * 10 + (params->cArgs ? params->rgvarg[0].lVal : 0));
        if (during) during();
        return answer;
    }
    ULONG refs = 1;
    HRESULT answer = S_OK;
    std::function<void()> during;

private:
    std::vector<int>& log_;
    int name_;
};

HRESULT fireChanged(com::ConnectionPoint& point, LONG value) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = value;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    return point.fire(1, &params);
}

TEST(ConnectionPoints, FireInConnectionOrderWhileOneUnadvises) {
    Source source;
    std::vector<int> log;
    Sink first(log, 1), second(log, 2), third(log, 3);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(source.FindConnectionPoint(DIID_ISampleEvents, point.put()), S_OK);
    EXPECT_EQ(source.FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(source.FindConnectionPoint(DIID_ISampleEvents, point.put()), S_OK);
    DWORD c1 = 0, c2 = 0, c3 = 0;
    ASSERT_EQ(point->Advise(&first, &c1), S_OK);
    ASSERT_EQ(point->Advise(&second, &c2), S_OK);
    EXPECT_NE(c1, c2);
    EXPECT_EQ(first.refs, 2u);

    EXPECT_EQ(fireChanged(source.point, 7), S_OK);
    EXPECT_EQ(log, (std::vector<int>{117, 217}));

    // The first sink unadvises itself from inside the event; the second is still called.
    log.clear();
    first.during = [&] { EXPECT_EQ(point->Unadvise(c1), S_OK); };
    second.answer = S_FALSE;
    EXPECT_EQ(fireChanged(source.point, 8), S_FALSE);  // the last sink's answer
    EXPECT_EQ(log, (std::vector<int>{118, 218}));
    EXPECT_EQ(first.refs, 1u);
    EXPECT_EQ(point->Unadvise(c1), CONNECT_E_NOCONNECTION);

    // A sink unadvised by an earlier one before its turn is not called; one advised meanwhile waits
    // for the next event.
    log.clear();
    ASSERT_EQ(point->Advise(&first, &c1), S_OK);
    second.during = [&] {
        point->Unadvise(c1);
        point->Advise(&third, &c3);
        second.during = nullptr;
    };
    fireChanged(source.point, 9);
    EXPECT_EQ(log, (std::vector<int>{219}));
    log.clear();
    fireChanged(source.point, 1);
    EXPECT_EQ(log, (std::vector<int>{211, 311}));

    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
    CONNECTDATA data[3];
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, c2);
    EXPECT_EQ(data[1].dwCookie, c3);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
    connections.reset();

    EXPECT_EQ(point->Unadvise(c2), S_OK);
    EXPECT_EQ(point->Unadvise(c3), S_OK);
    EXPECT_EQ(source.point.connectionCount(), 0u);
    EXPECT_EQ(fireChanged(source.point, 0), S_OK);
    EXPECT_EQ(second.refs, 1u);
    EXPECT_EQ(third.refs, 1u);
}

TEST(ConnectionPoints, RefusesSinksOfAnotherInterface) {
    Source source;
    class Plain final : public IUnknown {
    public:
        HRESULT QueryInterface(REFIID riid, void** out) override {
            *out = riid == IID_IUnknown ? this : nullptr;
            return *out ? S_OK : E_NOINTERFACE;
        }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
    } plain;
    DWORD cookie = 99;
    EXPECT_EQ(source.point.Advise(&plain, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    IID iid;
    source.point.GetConnectionInterface(&iid);
    EXPECT_EQ(iid, DIID_ISampleEvents);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(source.point.GetConnectionPointContainer(back.put()), S_OK);
    EXPECT_EQ(back.get(), &source);

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(source.EnumConnectionPoints(points.put()), S_OK);
    IConnectionPoint* p = nullptr;
    ULONG fetched = 0;
    ASSERT_EQ(points->Next(1, &p, &fetched), S_OK);
    EXPECT_EQ(p, &source.point);
    p->Release();
    EXPECT_EQ(points->Next(1, &p, &fetched), S_FALSE);
}

}  // namespace
