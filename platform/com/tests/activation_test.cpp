#include "com/activation.h"
#include "com/registry_text.h"
#include "com/typeinfo.h"
#include "sample.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using com::ComPtr;

struct CommandRun {
    int code;
    std::string output;
};

CommandRun regsvr(const std::string& args) {
    std::string command = std::string(REGSVR_PATH) + " " + args + " 2>&1";
    CommandRun r{-1, {}};
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p)) r.output += buffer;
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class Apartment : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

TEST(Activation, NeedsAnApartment) {
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_ISample, &p), CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    EXPECT_TRUE(com::inApartment());
    CoUninitialize();
    EXPECT_FALSE(com::inApartment());
}

TEST_F(Apartment, RegisteredServerIsCreatedByClassAndNamedByProgId) {
    void* raw = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_ISample, &raw), REGDB_E_CLASSNOTREG);
    LPOLESTR progId = nullptr;
    EXPECT_EQ(ProgIDFromCLSID(CLSID_Sample, &progId), REGDB_E_CLASSNOTREG);

    CommandRun reg = regsvr(TEST_SERVER_PATH);
    ASSERT_EQ(reg.code, 0) << reg.output;

    // The type library was registered with the class; its LIBID leads to the module, loaded for it.
    EXPECT_EQ(com::registry::readText(HKEY_CLASSES_ROOT, "Interface\\" + com::formatGuid(IID_ISample) + "\\TypeLib"),
              com::formatGuid(LIBID_SampleLib));
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_SampleLib, 1, 0, 0, lib.put()), S_OK);
    com::Bstr doc;
    lib->GetDocumentation(-1, nullptr, doc.put(), nullptr, nullptr);
    EXPECT_EQ(doc.utf8(), "Sample 1.0 Type Library");
    ComPtr<ITypeLib> newer;
    EXPECT_EQ(LoadRegTypeLib(LIBID_SampleLib, 2, 0, 0, newer.put()), TYPE_E_LIBNOTREGISTERED);

    ComPtr<ISample> object;
    ASSERT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_ISample, object.putVoid()), S_OK);
    LONG sum = 0;
    ASSERT_EQ(object->Add(20, 22, &sum), S_OK);
    EXPECT_EQ(sum, 42);
    ComPtr<ITypeInfo> info;
    ComPtr<ITypeLib> containing;
    ASSERT_EQ(object->GetTypeInfo(0, 0, info.put()), S_OK);
    ASSERT_EQ(info->GetContainingTypeLib(containing.put(), nullptr), S_OK);
    EXPECT_EQ(containing.get(), lib.get());
    info.reset();
    containing.reset();
    EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_LOCAL_SERVER, IID_ISample, &raw), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_Sample, object.get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &raw),
              CLASS_E_NOAGGREGATION);

    ASSERT_EQ(ProgIDFromCLSID(CLSID_Sample, &progId), S_OK);
    EXPECT_EQ(std::u16string_view(progId), u"ComTest.Sample.1");
    CoTaskMemFree(progId);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"ComTest.Sample.1", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Sample);
    EXPECT_EQ(CLSIDFromProgID(u"comtest.sample", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Sample);
    EXPECT_EQ(CLSIDFromProgID(u"ComTest.Missing", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"CLSID\\{5B0E8F0B-3C51-4D7E-9A61-2F4B8C1D0E11}", &clsid), CO_E_CLASSSTRING);

    // A live object keeps its server loaded; once all are gone it may go, and comes back on demand.
    CoFreeUnusedLibraries();
    ASSERT_EQ(object->Add(1, 2, &sum), S_OK);
    EXPECT_EQ(sum, 3);
    object.reset();
    lib.reset();
    CoFreeUnusedLibraries();
    ASSERT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.putVoid()), S_OK);
    object.reset();

    CommandRun unreg = regsvr("-u " + std::string(TEST_SERVER_PATH));
    ASSERT_EQ(unreg.code, 0) << unreg.output;
    EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_ISample, &raw), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_Sample, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CLSIDFromProgID(u"ComTest.Sample.1", &clsid), CO_E_CLASSSTRING);
    EXPECT_FALSE(com::registry::readText(HKEY_CLASSES_ROOT, "Interface\\" + com::formatGuid(IID_ISample)));
    EXPECT_FALSE(com::registry::readText(HKEY_CLASSES_ROOT, "TypeLib\\" + com::formatGuid(LIBID_SampleLib) + "\\1.0"));
}

TEST_F(Apartment, BrokenRegistrationsFailCleanly) {
    const std::string key = "CLSID\\" + com::formatGuid(CLSID_Sample) + "\\InprocServer32";
    void* raw = nullptr;
    ASSERT_TRUE(com::registry::writeText(HKEY_CLASSES_ROOT, key, nullptr, "/nonexistent/libnothing.so"));
    EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_ISample, &raw), CO_E_DLLNOTFOUND);
    // A library that is no server.
    std::string platform = REGSVR_PATH;
    platform = platform.substr(0, platform.find_last_of('/')) + "/libplatform_win32.so";
    ASSERT_TRUE(com::registry::writeText(HKEY_CLASSES_ROOT, key, nullptr, platform));
    EXPECT_EQ(CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_ISample, &raw), CO_E_ERRORINDLL);
    EXPECT_EQ(raw, nullptr);
    com::registry::removeTree(HKEY_CLASSES_ROOT, "CLSID\\" + com::formatGuid(CLSID_Sample));
}

TEST(Regsvr, ReportsFailuresWithNonZeroExit) {
    CommandRun none = regsvr("");
    EXPECT_NE(none.code, 0);
    EXPECT_NE(none.output.find("usage"), std::string::npos);
    CommandRun missing = regsvr("/nonexistent/libnothing.so");
    EXPECT_NE(missing.code, 0);
    EXPECT_NE(missing.output.find("cannot load"), std::string::npos) << missing.output;
    // The platform library loads but is no server.
    std::string notServer = std::string(REGSVR_PATH);
    notServer = notServer.substr(0, notServer.find_last_of('/')) + "/libplatform_win32.so";
    CommandRun noEntry = regsvr(notServer);
    EXPECT_NE(noEntry.code, 0);
    EXPECT_NE(noEntry.output.find("DllRegisterServer"), std::string::npos) << noEntry.output;
}

}  // namespace
