#include "activex/container.h"
#include "sample_fixture.h"

#include <dlfcn.h>

using activex::testing::TestHost;

namespace {

constexpr RECT kPos{0, 0, 80, 20};

HRESULT canUnloadSample() {
    void* lib = dlopen(SAMPLE_CONTROL_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return S_OK;
    auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(dlsym(lib, "DllCanUnloadNow"));
    HRESULT hr = canUnload();
    dlclose(lib);
    return hr;
}

com::Variant getProperty(IDispatch* object, const char16_t* name) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    com::Variant result;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
    return result;
}

HRESULT putProperty(IDispatch* object, DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

}  // namespace

using Container = SampleTest;

TEST_F(Container, CreatesByClsidAndClosingLetsGoOfTheControl) {
    {
        TestHost host;
        ASSERT_EQ(host.createAndActivate(CLSID_SampleControl, kPos), S_OK);
        EXPECT_EQ(canUnloadSample(), S_FALSE);
        com::ComPtr<IOleClientSite> site;
        host.site().object()->GetClientSite(site.put());
        EXPECT_EQ(site.get(), static_cast<IOleClientSite*>(&host.site()));
        site.reset();
        HWND hwnd = host.site().controlWindow();
        EXPECT_EQ(host.site().close(), S_OK);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(host.site().control(), nullptr);
        // Nothing holds the control any more: no cycle between it and its site.
        EXPECT_EQ(canUnloadSample(), S_OK);
    }
    TestHost host;
    EXPECT_EQ(host.create(com::guid("{7A6C1EFF-4B3D-4F0A-9C2E-5D8B1F3A6C01}")), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(host.site().activate(host.window(), kPos), E_UNEXPECTED);
}

TEST_F(Container, AmbientPropertiesReachTheControl) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleControl), S_OK);
    // The site answers the ambients on its IDispatch.
    com::Variant userMode;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    static_cast<IDispatch&>(host.site())
        .Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &userMode, nullptr, nullptr);
    EXPECT_EQ(userMode.vt, VT_BOOL);
    EXPECT_EQ(userMode.boolVal, VARIANT_TRUE);
    com::Variant missing;
    EXPECT_EQ(static_cast<IDispatch&>(host.site())
                  .Invoke(12345, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &missing, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);

    // A changed user mode is told to the control, which asks for a new rendering.
    const int before = host.site().viewChanges();
    host.site().setUserMode(false);
    EXPECT_FALSE(host.site().userMode());
    EXPECT_EQ(host.site().viewChanges(), before + 1);
}

TEST_F(Container, ExtenderVisibleShowsAndHidesTheControlAndForwardsTheRest) {
    TestHost host;
    ASSERT_EQ(host.createAndActivate(CLSID_SampleControl, kPos), S_OK);
    HWND hwnd = host.site().controlWindow();
    com::ComPtr<IDispatch> extender;
    ASSERT_EQ(static_cast<IOleControlSite&>(host.site()).GetExtendedControl(extender.put()), S_OK);
    EXPECT_EQ(extender.get(), host.site().extender());

    com::Variant visible = getProperty(extender.get(), u"Visible");
    EXPECT_EQ(visible.vt, VT_BOOL);
    EXPECT_EQ(visible.boolVal, VARIANT_TRUE);
    ASSERT_EQ(putProperty(extender.get(), activex::kExtenderVisible, com::Variant::boolean(false)), S_OK);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_FALSE(host.site().visible());
    EXPECT_EQ(getProperty(extender.get(), u"visible").boolVal, VARIANT_FALSE);
    host.site().setVisible(true);
    EXPECT_TRUE(IsWindowVisible(hwnd));

    // Names the extender does not know are the control's.
    com::Variant value = getProperty(extender.get(), u"Value");
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, 50);
}

TEST_F(Container, InvisibleAtRunTimeControlsAreActivatedOnlyInDesignMode) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_SampleInvisible), S_OK);
    EXPECT_EQ(host.site().miscStatus(), kInvisibleMisc);
    EXPECT_EQ(host.site().activate(host.window(), kPos), S_FALSE);
    EXPECT_EQ(host.site().controlWindow(), nullptr);
    host.site().setUserMode(false);
    EXPECT_EQ(host.site().activate(host.window(), kPos), S_OK);
    EXPECT_NE(host.site().controlWindow(), nullptr);
}
