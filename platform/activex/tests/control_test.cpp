#include "activex/control.h"
#include "activex/testing/event_recorder.h"
#include "sample_fixture.h"
#include "win32/kernel.h"

using activex::testing::EventRecorder;
using activex::testing::OffscreenDc;
using activex::testing::RecordingPropertyBag;
using activex::testing::TestHost;

namespace {

constexpr RECT kPos{10, 20, 110, 44};

com::ComPtr<ISampleControl> sampleOf(activex::ControlSite& site) { return site.query<ISampleControl>(); }

std::vector<BYTE> streamBytes(IStream* stream) {
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<BYTE> bytes(stat.cbSize.QuadPart);
    LARGE_INTEGER zero{0};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return bytes;
}

com::ComPtr<IStream> streamOf(const std::vector<BYTE>& bytes) {
    com::ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, TRUE, s.put());
    s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    LARGE_INTEGER zero{0};
    s->Seek(zero, STREAM_SEEK_SET, nullptr);
    return s;
}

std::u16string caption(ISampleControl* c) {
    com::Bstr text;
    c->get_Caption(text.put());
    return std::u16string(text.view());
}

}  // namespace

using Activation = SampleTest;

TEST_F(Activation, InPlaceActivationMakesAChildWindowAndDeactivationDestroysIt) {
    TestHost host;
    ASSERT_EQ(host.createAndActivate(CLSID_SampleControl, kPos), S_OK);
    activex::ControlSite& site = host.site();
    HWND hwnd = site.controlWindow();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetParent(hwnd), host.window());
    EXPECT_TRUE(IsWindowVisible(hwnd));
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 24);
    EXPECT_EQ(site.inPlaceActivations(), 1);
    EXPECT_TRUE(site.inPlaceActive());

    // Messages reach the class's map through the superclassed procedure.
    auto sink = EventRecorder::make(DIID_ISampleControlEvents);
    ASSERT_TRUE(sink->connect(site.control()));
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 7));
    ASSERT_EQ(sink->calls().size(), 1u);
    EXPECT_EQ(sink->calls()[0].dispid, kClickEvent);
    EXPECT_EQ(sink->calls()[0].args[0].lVal, 5);
    EXPECT_EQ(sink->calls()[0].args[1].lVal, 7);
    sink->disconnect();

    // Activating again keeps the one window.
    EXPECT_EQ(site.doVerb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(site.controlWindow(), hwnd);
    EXPECT_EQ(site.inPlaceActivations(), 1);

    EXPECT_EQ(site.deactivate(), S_OK);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(site.controlWindow(), nullptr);
    EXPECT_EQ(site.inPlaceDeactivations(), 1);
    EXPECT_FALSE(site.inPlaceActive());
    EXPECT_EQ(site.deactivate(), S_OK);
    EXPECT_EQ(site.inPlaceDeactivations(), 1);
}

TEST_F(Activation, VerbsAndClose) {
    TestHost host;
    activex::ControlSite& site = host.site();
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    ASSERT_EQ(site.activate(host.window(), kPos, OLEIVERB_UIACTIVATE), S_OK);
    EXPECT_EQ(site.uiActivations(), 1);
    EXPECT_EQ(site.doVerb(OLEIVERB_UIACTIVATE), S_OK);
    EXPECT_EQ(site.uiActivations(), 1);
    EXPECT_EQ(site.doVerb(OLEIVERB_HIDE), S_OK);
    EXPECT_FALSE(IsWindowVisible(site.controlWindow()));
    EXPECT_EQ(site.doVerb(OLEIVERB_SHOW), S_OK);
    EXPECT_TRUE(IsWindowVisible(site.controlWindow()));
    EXPECT_EQ(site.doVerb(OLEIVERB_PROPERTIES), S_OK);
    EXPECT_EQ(site.propertyFrames(), 1);
    EXPECT_EQ(site.doVerb(OLEIVERB_OPEN), E_NOTIMPL);
    EXPECT_EQ(site.doVerb(3), OLEOBJ_S_INVALIDVERB);

    // Close runs the in-place deactivation.
    HWND hwnd = site.controlWindow();
    EXPECT_EQ(site.object()->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(site.inPlaceDeactivations(), 1);
}

TEST_F(Activation, PrimaryVerbActivatesInUserModeAndShowsPropertiesInDesignMode) {
    TestHost host;
    activex::ControlSite& site = host.site();
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    site.setUserMode(false);
    ASSERT_EQ(site.activate(host.window(), kPos, OLEIVERB_PRIMARY), S_OK);
    EXPECT_EQ(site.propertyFrames(), 1);
    EXPECT_EQ(site.controlWindow(), nullptr);
    site.setUserMode(true);
    ASSERT_EQ(site.doVerb(OLEIVERB_PRIMARY), S_OK);
    EXPECT_NE(site.controlWindow(), nullptr);
    EXPECT_EQ(site.propertyFrames(), 1);
}

TEST_F(Activation, ExtentRoundTripsPixelsAndKeepsTheSizeRule) {
    TestHost host;
    activex::ControlSite& site = host.site();
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    for (LONG px : {32, 33, 37, 64, 99, 100, 121, 300, 1023, 1920}) {
        ASSERT_EQ(site.setExtentPixels(px, px / 2 + 1), S_OK);
        EXPECT_EQ(site.extentPixels().cx, px);
        EXPECT_EQ(site.extentPixels().cy, px / 2 + 1);
    }
    SIZEL size{};
    site.setExtentPixels(100, 15);
    site.object()->GetExtent(DVASPECT_CONTENT, &size);
    EXPECT_EQ(size.cx, 2646);
    EXPECT_EQ(size.cy, 397);
    EXPECT_EQ(site.object()->GetExtent(DVASPECT_ICON, &size), DV_E_DVASPECT);
    // Below the class's minimum width the minimum comes back.
    site.setExtentPixels(10, 15);
    EXPECT_EQ(site.extentPixels().cx, kSampleMinWidth);
}

TEST_F(Activation, MovingToANegativePositionKeepsTheSizeAndReportsThePosition) {
    TestHost host;
    activex::ControlSite& site = host.site();
    ASSERT_EQ(host.createAndActivate(CLSID_SampleControl, kPos), S_OK);
    // The container offers a wrong size at a negative place; the control keeps its own size.
    ASSERT_EQ(site.move(RECT{-5, -6, 5, 4}), S_OK);
    ASSERT_FALSE(site.posRectChanges().empty());
    const RECT& reported = site.posRectChanges().back();
    EXPECT_EQ(reported.left, -5);
    EXPECT_EQ(reported.top, -6);
    EXPECT_EQ(reported.right, -5 + 100);
    EXPECT_EQ(reported.bottom, -6 + 24);
    RECT client{};
    GetClientRect(site.controlWindow(), &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 24);
}

using Persistence = SampleTest;

TEST_F(Persistence, StreamHoldsExactlyTheMappedPropertiesInTheDocumentedLayout) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    host.site().setExtentPixels(120, 30);
    auto control = sampleOf(host.site());
    control->put_Value(77);
    control->put_Caption(com::Bstr(u"Hi").get());
    control->put_Color(0x00123456);

    auto persist = host.site().query<IPersistStreamInit>();
    ASSERT_TRUE(persist);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    com::ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    ASSERT_EQ(persist->Save(stream.get(), TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    const std::vector<BYTE> bytes = streamBytes(stream.get());
    const LONG cx = activex::pixelsToHimetric(120), cy = activex::pixelsToHimetric(30);
    const std::vector<BYTE> expected{
        1, 0, 0, 0,                                                                   // layout version
        VT_UI4, 0, BYTE(cx), BYTE(cx >> 8), BYTE(cx >> 16), BYTE(cx >> 24),           // _cx
        VT_UI4, 0, BYTE(cy), BYTE(cy >> 8), BYTE(cy >> 16), BYTE(cy >> 24),           // _cy
        VT_I4, 0, 77, 0, 0, 0,                                                        // Value
        VT_BSTR, 0, 2, 0, 0, 0, 'H', 0, 'i', 0,                                       // Caption
    };
    EXPECT_EQ(bytes, expected);
    ULARGE_INTEGER max{};
    persist->GetSizeMax(&max);
    EXPECT_EQ(max.QuadPart, expected.size());

    TestHost other;
    ASSERT_EQ(other.create(CLSID_SampleControl), S_OK);
    auto loaded = sampleOf(other.site());
    ASSERT_EQ(other.site().query<IPersistStreamInit>()->Load(stream.get()), S_OK);
    LONG value = 0;
    ULONG color = 0;
    loaded->get_Value(&value);
    loaded->get_Color(&color);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(caption(loaded.get()), u"Hi");
    EXPECT_EQ(color, 0x000000FFu);  // not mapped: the default
    EXPECT_EQ(other.site().extentPixels().cx, 120);
    EXPECT_EQ(other.site().extentPixels().cy, 30);
}

TEST_F(Persistence, DamagedStreamsFailToLoad) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    auto persist = host.site().query<IPersistStreamInit>();
    com::ComPtr<IStream> good;
    CreateStreamOnHGlobal(nullptr, TRUE, good.put());
    ASSERT_EQ(persist->Save(good.get(), FALSE), S_OK);
    std::vector<BYTE> bytes = streamBytes(good.get());

    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    std::vector<BYTE> truncated(bytes.begin(), bytes.end() - 3);
    std::vector<BYTE> version = bytes;
    version[0] = 2;
    std::vector<BYTE> wrongType = bytes;
    wrongType[4] = VT_I4;
    std::vector<BYTE> hugeText(bytes.begin(), bytes.begin() + 24);
    hugeText.insert(hugeText.end(), {VT_BSTR, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0});
    // Extents no window can have: beyond 32767 pixels either way, or negative.
    auto withExtent = [&](std::size_t at, ULONG himetric) {
        std::vector<BYTE> b = bytes;
        for (int i = 0; i < 4; ++i) b.at(at + i) = BYTE(himetric >> (8 * i));
        return b;
    };
    const ULONG widest = static_cast<ULONG>(activex::pixelsToHimetric(32767));
    std::vector<BYTE> cutAfterWidth = withExtent(6, activex::pixelsToHimetric(200));
    cutAfterWidth.resize(10);
    for (const Case& c : std::vector<Case>{{"empty", {}},
                                           {"truncated", truncated},
                                           {"version", version},
                                           {"type", wrongType},
                                           {"huge text", hugeText},
                                           {"absurd width", withExtent(6, 0x7FFFFFFF)},
                                           {"absurd height", withExtent(12, 0x7FFFFFFF)},
                                           {"one pixel too wide", withExtent(6, widest + 27)},
                                           {"negative height", withExtent(12, 0xFFFFFFFF)},
                                           {"cut after the width", cutAfterWidth}}) {
        EXPECT_EQ(persist->Load(streamOf(c.bytes).get()), E_FAIL) << c.what;
        // Nothing of a refused stream is applied.
        EXPECT_EQ(host.site().extentPixels().cx, 64) << c.what;
        EXPECT_EQ(host.site().extentPixels().cy, 24) << c.what;
    }
    EXPECT_EQ(persist->Load(streamOf(withExtent(6, widest)).get()), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 32767);

    // A property bag's extents are checked the same way, before anything is applied.
    TestHost other;
    ASSERT_EQ(other.create(CLSID_SampleControl), S_OK);
    auto bag = RecordingPropertyBag::make();
    VARIANT value = com::Variant::i4(33), width = com::Variant::i4(2000), height{};
    height.vt = VT_UI4;
    height.ulVal = 0xFFFFFFFF;
    bag->Write(u"_cx", &width);
    bag->Write(u"_cy", &height);
    bag->Write(u"Value", &value);
    EXPECT_EQ(other.site().query<IPersistPropertyBag>()->Load(bag.get(), nullptr), E_FAIL);
    EXPECT_EQ(other.site().extentPixels().cx, 64);
    LONG stored = 0;
    sampleOf(other.site())->get_Value(&stored);
    EXPECT_NE(stored, 33);
}

TEST_F(Persistence, StorageAndPropertyBagHoldTheSameEntries) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    host.site().setExtentPixels(90, 40);
    auto control = sampleOf(host.site());
    control->put_Value(12);
    control->put_Caption(com::Bstr(u"Bagged").get());

    com::ComPtr<IStorage> storage;
    com::createMemoryStorage(storage.put());
    ASSERT_EQ(host.site().query<IPersistStorage>()->Save(storage.get(), FALSE), S_OK);
    com::ComPtr<IStream> contents;
    EXPECT_EQ(storage->OpenStream(u"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, contents.put()), S_OK);

    auto bag = RecordingPropertyBag::make();
    ASSERT_EQ(host.site().query<IPersistPropertyBag>()->Save(bag.get(), TRUE, TRUE), S_OK);
    ASSERT_EQ(bag->entries().size(), 4u);
    EXPECT_EQ(bag->entries()[0].first, "_cx");
    EXPECT_EQ(bag->entries()[0].second.vt, VT_UI4);
    EXPECT_EQ(bag->entries()[0].second.ulVal, static_cast<ULONG>(activex::pixelsToHimetric(90)));
    EXPECT_EQ(bag->entries()[1].first, "_cy");
    EXPECT_EQ(bag->entries()[2].first, "Value");
    EXPECT_EQ(bag->entries()[2].second.lVal, 12);
    EXPECT_EQ(bag->entries()[3].first, "Caption");
    EXPECT_EQ(bag->entries()[3].second.vt, VT_BSTR);

    for (int from = 0; from < 2; ++from) {
        TestHost other;
        ASSERT_EQ(other.create(CLSID_SampleControl), S_OK);
        HRESULT hr = from == 0 ? other.site().query<IPersistStorage>()->Load(storage.get())
                               : other.site().query<IPersistPropertyBag>()->Load(bag.get(), nullptr);
        ASSERT_EQ(hr, S_OK) << from;
        auto loaded = sampleOf(other.site());
        LONG value = 0;
        loaded->get_Value(&value);
        EXPECT_EQ(value, 12) << from;
        EXPECT_EQ(caption(loaded.get()), u"Bagged") << from;
        EXPECT_EQ(other.site().extentPixels().cx, 90) << from;
    }

    // A bag without an entry leaves that property at its default.
    auto partial = RecordingPropertyBag::make();
    VARIANT v = com::Variant::i4(33);
    partial->Write(u"Value", &v);
    TestHost third;
    ASSERT_EQ(third.create(CLSID_SampleControl), S_OK);
    ASSERT_EQ(third.site().query<IPersistPropertyBag>()->Load(partial.get(), nullptr), S_OK);
    EXPECT_EQ(partial->reads(), (std::vector<std::string>{"_cx", "_cy", "Value", "Caption"}));
    LONG value = 0;
    sampleOf(third.site())->get_Value(&value);
    EXPECT_EQ(value, 33);
    EXPECT_EQ(caption(sampleOf(third.site()).get()), u"Sample");
    EXPECT_EQ(third.site().extentPixels().cx, 64);
}

using Drawing = SampleTest;

TEST_F(Drawing, DrawPaintsIntoTheBoundsOfAnOffscreenDc) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    auto view = host.site().query<IViewObjectEx>();
    ASSERT_TRUE(view);
    OffscreenDc dc(50, 50);
    dc.fill(RGB(255, 255, 255));
    RECTL bounds{10, 10, 30, 30};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(dc.pixel(15, 15), RGB(255, 0, 0));
    EXPECT_EQ(dc.pixel(29, 29), RGB(255, 0, 0));
    EXPECT_EQ(dc.pixel(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(dc.pixel(30, 30), RGB(255, 255, 255));
    EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0),
              DV_E_DVASPECT);
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), nullptr, nullptr, nullptr, 0),
              E_INVALIDARG);

    // A system colour is translated when drawn.
    sampleOf(host.site())->put_Color(0x80000000u | COLOR_HIGHLIGHT);
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0);
    EXPECT_EQ(dc.pixel(20, 20), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(Drawing, InvisibleAtRunTimeDrawsOnlyInDesignMode) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleInvisible), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 28);  // the design extent, set without the size rule
    auto view = host.site().query<IViewObject>();
    OffscreenDc dc(40, 40);
    dc.fill(RGB(255, 255, 255));
    RECTL bounds{0, 0, 28, 28};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0);
    EXPECT_EQ(dc.pixel(14, 14), RGB(255, 255, 255));
    host.site().setUserMode(false);
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0);
    EXPECT_EQ(dc.pixel(14, 14), GetSysColor(COLOR_BTNFACE));
}

TEST_F(Drawing, ViewChangesReachTheAdviseSinkWhileNotActive) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    const int before = host.site().viewChanges();
    sampleOf(host.site())->put_Color(0x00FF00);
    EXPECT_EQ(host.site().viewChanges(), before + 1);
    ASSERT_EQ(host.site().activate(host.window(), kPos), S_OK);
    // Active, the control draws straight into its window.
    sampleOf(host.site())->put_Color(0x00FF00);
    HDC dc = GetDC(host.site().controlWindow());
    EXPECT_EQ(GetPixel(dc, 50, 12), RGB(0, 255, 0));
    ReleaseDC(host.site().controlWindow(), dc);
}

using Errors = SampleTest;

TEST_F(Errors, PropertyErrorCarriesTheProgIdAndKeepsTheValue) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    auto control = sampleOf(host.site());
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(control->put_Value(101), DISP_E_EXCEPTION);
    com::ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    com::Bstr source, description, helpFile;
    GUID guid{};
    DWORD context = 1;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    info->GetHelpFile(helpFile.put());
    info->GetGUID(&guid);
    info->GetHelpContext(&context);
    EXPECT_EQ(source.utf8(), kSampleProgId);
    EXPECT_EQ(description.view(), kSampleRangeError);
    EXPECT_EQ(helpFile.view(), u"");
    EXPECT_EQ(guid, GUID_NULL);
    EXPECT_EQ(context, 0u);
    LONG value = 0;
    control->get_Value(&value);
    EXPECT_EQ(value, 50);

    // Through IDispatch the error arrives as the exception's description.
    com::Variant arg = com::Variant::i4(-1);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    EXCEPINFO excep{};
    EXPECT_EQ(
        control->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, &excep, nullptr),
        DISP_E_EXCEPTION);
    EXPECT_EQ(com::view(excep.bstrSource), com::toUtf16(kSampleProgId));
    com::clearExcepInfo(&excep);

    auto support = host.site().query<ISupportErrorInfo>();
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ISampleControl), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
}

using Events = SampleTest;

TEST_F(Events, ReachTwoSinksInOrderWithReferencesChangedByTheFirst) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    auto control = sampleOf(host.site());
    LONG result = -1;
    control->FireChanged(1, &result);
    EXPECT_EQ(result, S_OK);  // no sink

    std::vector<int> order;
    auto first = EventRecorder::make(DIID_ISampleControlEvents);
    auto second = EventRecorder::make(DIID_ISampleControlEvents);
    first->handler = [&](DISPID id, DISPPARAMS* p) {
        order.push_back(1);
        if (id == kClosingEvent) *p->rgvarg[0].pboolVal = VARIANT_TRUE;
        if (id == kRenameEvent) SysReAllocString(p->rgvarg[0].pbstrVal, u"renamed");
        return S_OK;
    };
    second->handler = [&](DISPID, DISPPARAMS*) {
        order.push_back(2);
        return S_FALSE;
    };
    ASSERT_TRUE(first->connect(host.site().control()));
    ASSERT_TRUE(second->connect(host.site().control()));

    control->FireChanged(42, &result);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(result, S_FALSE);  // the last sink's answer
    for (EventRecorder* sink : {first.get(), second.get()}) {
        ASSERT_EQ(sink->calls().size(), 1u);
        EXPECT_EQ(sink->calls()[0].dispid, kChangedEvent);
        ASSERT_EQ(sink->calls()[0].args.size(), 1u);
        EXPECT_EQ(sink->calls()[0].args[0].vt, VT_I4);
        EXPECT_EQ(sink->calls()[0].args[0].lVal, 42);
        EXPECT_EQ(sink->calls()[0].thread, GetCurrentThreadId());
        const EventRecorder::Convention& c = sink->conventions()[0];
        EXPECT_EQ(c.riid, GUID_NULL);
        EXPECT_EQ(c.lcid, 0x400u);
        EXPECT_EQ(c.flags, DISPATCH_METHOD);
        EXPECT_FALSE(c.result);
        EXPECT_FALSE(c.excepInfo);
        EXPECT_EQ(c.namedArgs, 0u);
    }

    VARIANT_BOOL cancel = VARIANT_FALSE;
    control->FireClosing(&cancel);
    EXPECT_EQ(second->calls()[1].args[0].boolVal, VARIANT_TRUE);
    EXPECT_EQ(cancel, VARIANT_TRUE);

    com::Bstr name(u"original");
    BSTR held = name.detach();
    control->FireRename(&held);
    EXPECT_EQ(std::u16string(com::view(second->calls()[2].args[0].bstrVal)), u"renamed");
    EXPECT_EQ(std::u16string(com::view(held)), u"renamed");
    SysFreeString(held);

    first->disconnect();
    second->disconnect();
}

TEST_F(Events, ClassInformationAndConnectionPoints) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    auto info = host.site().query<IProvideClassInfo2>();
    GUID events{};
    ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
    EXPECT_EQ(events, DIID_ISampleControlEvents);
    com::ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(info->GetClassInfo(coclass.put()), S_OK);
    TYPEATTR* attr = nullptr;
    coclass->GetTypeAttr(&attr);
    EXPECT_EQ(attr->guid, CLSID_SampleControl);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    coclass->ReleaseTypeAttr(attr);

    auto container = host.site().query<IConnectionPointContainer>();
    com::ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
    com::ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(container->EnumConnectionPoints(all.put()), S_OK);
    IConnectionPoint* points[2]{};
    ULONG fetched = 0;
    all->Next(2, points, &fetched);
    EXPECT_EQ(fetched, 1u);
    for (ULONG i = 0; i < fetched; ++i) points[i]->Release();
}

TEST_F(Events, AClassWithoutEventsHasNoConnectionPoint) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleQuiet), S_OK);
    LONG result = -1;
    EXPECT_EQ(sampleOf(host.site())->FireChanged(3, &result), S_OK);
    EXPECT_EQ(result, S_OK);
    auto container = host.site().query<IConnectionPointContainer>();
    com::ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(container->EnumConnectionPoints(all.put()), S_OK);
    IConnectionPoint* point = nullptr;
    ULONG fetched = 1;
    EXPECT_EQ(all->Next(1, &point, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    auto sink = EventRecorder::make(DIID_ISampleControlEvents);
    EXPECT_FALSE(sink->connect(host.site().control()));
    GUID events{};
    EXPECT_EQ(host.site().query<IProvideClassInfo2>()->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), E_FAIL);
}

TEST_F(Events, QuickActivationSetsTheSiteAndConnectsTheEventSink) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    {
        com::ComPtr<IQuickActivate> quick;
        ASSERT_EQ(CoCreateInstance(CLSID_SampleControl, nullptr, CLSCTX_INPROC_SERVER, IID_IQuickActivate,
                                   quick.putVoid()),
                  S_OK);
        auto site = activex::ControlSite::make();
        auto sink = EventRecorder::make(DIID_ISampleControlEvents);
        QACONTAINER container{};
        container.cbSize = sizeof container;
        container.pClientSite = site.get();
        container.pUnkEventSink = static_cast<IDispatch*>(sink.get());
        QACONTROL control{};
        control.cbSize = sizeof control;
        ASSERT_EQ(quick->QuickActivate(&container, &control), S_OK);
        EXPECT_EQ(control.dwMiscStatus, kSampleMisc);
        EXPECT_NE(control.dwEventCookie, 0u);

        com::ComPtr<ISampleControl> sample;
        quick.as(&sample);
        LONG result = 0;
        sample->FireChanged(9, &result);
        ASSERT_EQ(sink->calls().size(), 1u);
        com::ComPtr<IOleObject> object;
        quick.as(&object);
        com::ComPtr<IOleClientSite> held;
        object->GetClientSite(held.put());
        EXPECT_EQ(held.get(), static_cast<IOleClientSite*>(site.get()));
        held.reset();
        object->SetClientSite(nullptr);
        com::ComPtr<IConnectionPointContainer> points;
        quick.as(&points);
        com::ComPtr<IConnectionPoint> point;
        points->FindConnectionPoint(DIID_ISampleControlEvents, point.put());
        point->Unadvise(control.dwEventCookie);
    }
    CoUninitialize();
}
