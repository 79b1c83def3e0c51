#include "activex/registration.h"
#include "activex/testing/test_host.h"
#include "sample_control.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using activex::testing::registerLibrary;
using activex::testing::registryDump;

namespace {

// The dump lines of the keys at or below prefix.
std::vector<std::string> block(const std::vector<std::string>& dump, const std::string& prefix) {
    std::vector<std::string> out;
    bool inside = false;
    for (const std::string& line : dump) {
        if (line.front() == '[') {
            const std::string path = line.substr(1, line.size() - 2);
            inside = path == prefix || path.rfind(prefix + "\\", 0) == 0;
        }
        if (inside) out.push_back(line);
    }
    return out;
}

void writeKey(const std::string& path, const char* value) {
    RegSetValueA(HKEY_CLASSES_ROOT, path.c_str(), REG_SZ, value, static_cast<DWORD>(std::strlen(value)));
}

const std::string kPath = SAMPLE_CONTROL_PATH;
const std::string kClsid = com::formatGuid(CLSID_SampleControl);
const std::string kLib = com::formatGuid(LIBID_SampleControlLib);

}  // namespace

TEST(Registration, WritesTheExactKeyTreeAndUnregistrationRemovesIt) {
    // Keys of others in the shared parents, which must survive.
    writeKey("CLSID\\{00000000-1111-2222-3333-444444444444}", "Other Class");
    writeKey("AppID\\{00000000-1111-2222-3333-444444444444}", "Other");
    writeKey("Interface\\{00000000-1111-2222-3333-444444444444}", "IOther");
    writeKey("TypeLib\\{00000000-1111-2222-3333-444444444444}", "Other Library");
    const std::vector<std::string> before = registryDump(HKEY_CLASSES_ROOT);
    // A leftover under the class key goes with its forced re-creation.
    writeKey("CLSID\\" + kClsid + "\\Stale", "left over");

    ASSERT_EQ(registerLibrary(kPath), S_OK);
    const std::vector<std::string> dump = registryDump(HKEY_CLASSES_ROOT);
    const std::string c = "CLSID\\" + kClsid;
    EXPECT_EQ(block(dump, c), (std::vector<std::string>{
                                  "[" + c + "]", "@=SampleControl Class", "AppID=" + std::string(kSampleAppId),
                                  "[" + c + "\\Control]",
                                  "[" + c + "\\InprocServer32]", "@=" + kPath, "ThreadingModel=Apartment",
                                  "[" + c + "\\MiscStatus]", "@=0",
                                  "[" + c + "\\MiscStatus\\1]", "@=131473",
                                  "[" + c + "\\ProgID]", "@=AxTest.SampleControl.1",
                                  "[" + c + "\\Programmable]",
                                  "[" + c + "\\ToolboxBitmap32]", "@=" + kPath + ", 102",
                                  "[" + c + "\\TypeLib]", "@=" + kLib,
                                  "[" + c + "\\Version]", "@=1.0",
                                  "[" + c + "\\VersionIndependentProgID]", "@=AxTest.SampleControl",
                              }));
    EXPECT_EQ(block(dump, "AxTest.SampleControl.1"),
              (std::vector<std::string>{"[AxTest.SampleControl.1]", "@=SampleControl Class",
                                        "[AxTest.SampleControl.1\\CLSID]", "@=" + kClsid}));
    EXPECT_EQ(block(dump, "AxTest.SampleControl"),
              (std::vector<std::string>{"[AxTest.SampleControl]", "@=SampleControl Class",
                                        "[AxTest.SampleControl\\CLSID]", "@=" + kClsid,
                                        "[AxTest.SampleControl\\CurVer]", "@=AxTest.SampleControl.1"}));
    EXPECT_EQ(block(dump, "AppID\\" + std::string(kSampleAppId)),
              (std::vector<std::string>{"[AppID\\" + std::string(kSampleAppId) + "]", "@=SampleControl"}));
    EXPECT_EQ(block(dump, "AppID\\libactivex_sample_control.so"),
              (std::vector<std::string>{"[AppID\\libactivex_sample_control.so]",
                                        "AppID=" + std::string(kSampleAppId)}));
    const std::string inv = "CLSID\\" + com::formatGuid(CLSID_SampleInvisible);
    EXPECT_EQ(block(dump, inv + "\\Insertable"), (std::vector<std::string>{"[" + inv + "\\Insertable]"}));
    EXPECT_EQ(block(dump, inv + "\\MiscStatus\\1"),
              (std::vector<std::string>{"[" + inv + "\\MiscStatus\\1]", "@=132497"}));
    // The type library, registered from its tables, and its interfaces.
    EXPECT_EQ(block(dump, "TypeLib\\" + kLib + "\\1.0\\0\\win32"),
              (std::vector<std::string>{"[TypeLib\\" + kLib + "\\1.0\\0\\win32]", "@=" + kPath}));
    EXPECT_FALSE(block(dump, "Interface\\" + com::formatGuid(IID_ISampleControl)).empty());

    ASSERT_EQ(registerLibrary(kPath, true), S_OK);
    EXPECT_EQ(registryDump(HKEY_CLASSES_ROOT), before);
}

TEST(Registration, RegisteringTwiceAndUnregisteringTwiceIsHarmless) {
    const std::vector<std::string> before = registryDump(HKEY_CLASSES_ROOT);
    ASSERT_EQ(registerLibrary(kPath), S_OK);
    const std::vector<std::string> once = registryDump(HKEY_CLASSES_ROOT);
    ASSERT_EQ(registerLibrary(kPath), S_OK);
    EXPECT_EQ(registryDump(HKEY_CLASSES_ROOT), once);
    EXPECT_EQ(registerLibrary(kPath, true), S_OK);
    EXPECT_EQ(registerLibrary(kPath, true), S_OK);
    const std::vector<std::string> after = registryDump(HKEY_CLASSES_ROOT);
    // Only the shared parents that registration brought into being may stay, empty.
    for (const std::string& line : after)
        EXPECT_TRUE(line == "[CLSID]" || line == "[AppID]" || line == "[Interface]" || line == "[TypeLib]" ||
                    std::find(before.begin(), before.end(), line) != before.end())
            << line;
}

TEST(Registration, ScriptsExpandPlaceholdersAndKeepForeignValues) {
    EXPECT_EQ(activex::expand("%MODULE%, 5 (100%%) %UNKNOWN%", {{"MODULE", "/x/lib.so"}}),
              "/x/lib.so, 5 (100%) %UNKNOWN%");

    activex::RegistryScript script;
    activex::RegistryKey key;
    key.name = "AxTest.Shared";
    key.value = "%NAME%";
    key.values.push_back({"Mine", "1"});
    script.keys.push_back(key);
    ASSERT_EQ(activex::registerScript(script, {{"NAME", "Shared Thing"}}), S_OK);
    // A value written by someone else keeps the key in place when ours go.
    const char other[] = "2";
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "AxTest.Shared", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    RegSetValueExA(k, "Theirs", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other);
    RegCloseKey(k);
    EXPECT_EQ(block(registryDump(HKEY_CLASSES_ROOT), "AxTest.Shared"),
              (std::vector<std::string>{"[AxTest.Shared]", "@=Shared Thing", "Mine=1", "Theirs=2"}));

    ASSERT_EQ(activex::unregisterScript(script, {{"NAME", "Shared Thing"}}), S_OK);
    EXPECT_EQ(block(registryDump(HKEY_CLASSES_ROOT), "AxTest.Shared"),
              (std::vector<std::string>{"[AxTest.Shared]", "Theirs=2"}));
}

TEST(Registration, ClassObjectsAndUnloadCheck) {
    ASSERT_EQ(registerLibrary(kPath), S_OK);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    {
        com::ComPtr<ISampleControl> control;
        ASSERT_EQ(CoCreateInstance(CLSID_SampleControl, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleControl,
                                   control.putVoid()),
                  S_OK);
        LONG value = 0;
        EXPECT_EQ(control->get_Value(&value), S_OK);
        EXPECT_EQ(value, 50);

        void* lib = dlopen(kPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(lib, nullptr);
        auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(dlsym(lib, "DllCanUnloadNow"));
        auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(dlsym(lib, "DllGetClassObject"));
        EXPECT_EQ(canUnload(), S_FALSE);
        control.reset();
        EXPECT_EQ(canUnload(), S_OK);

        com::ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject(CLSID_NULL, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
        ASSERT_EQ(getClassObject(CLSID_SampleInvisible, IID_IClassFactory, factory.putVoid()), S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);
        com::ComPtr<IUnknown> object;
        EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown, object.putVoid()),
                  CLASS_E_NOAGGREGATION);
        factory.reset();
        EXPECT_EQ(canUnload(), S_OK);
        dlclose(lib);
    }
    ASSERT_EQ(registerLibrary(kPath, true), S_OK);
    com::ComPtr<IUnknown> none;
    EXPECT_EQ(CoCreateInstance(CLSID_SampleControl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, none.putVoid()),
              REGDB_E_CLASSNOTREG);
    CoUninitialize();
}
