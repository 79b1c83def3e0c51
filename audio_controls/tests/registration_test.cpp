#include "com/activation.h"
#include "com/errorinfo.h"
#include "com/registry_text.h"
#include "interfaces.h"
#include "registration.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace {

using com::registry::readText;
using sondrel::kClasses;

constexpr char kPath[] = "/opt/controls/libSondrel3.so";

bool keyExists(const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::optional<std::string> text(const std::string& key, const char* value = nullptr) {
    return readText(HKEY_CLASSES_ROOT, key, value);
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(Registration, WritesTheKeyTreeOfEveryClass) {
    ASSERT_EQ(sondrel::registerServer(kPath), S_OK);
    for (const sondrel::ClassInfo& c : kClasses) {
        SCOPED_TRACE(c.name);
        const std::string name = std::string(c.name) + " Class";
        const std::string key = "CLSID\\" + com::formatGuid(c.clsid);
        EXPECT_EQ(text(key), name);
        EXPECT_EQ(text(key + "\\ProgID"), c.progId);
        EXPECT_EQ(text(key + "\\VersionIndependentProgID"), c.independentProgId);
        EXPECT_TRUE(keyExists(key + "\\Programmable"));
        EXPECT_EQ(text(key + "\\Programmable"), std::nullopt);
        EXPECT_EQ(text(key + "\\InprocServer32"), kPath);
        EXPECT_EQ(text(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
        EXPECT_EQ(text(key, "AppID"), "{25259CD8-812E-4F6A-9C1E-BB82F3FD9322}");
        EXPECT_TRUE(keyExists(key + "\\Control"));
        EXPECT_EQ(text(key + "\\ToolboxBitmap32"), std::string(kPath) + ", " + std::to_string(c.bitmapId));
        EXPECT_EQ(text(key + "\\MiscStatus"), "0");
        EXPECT_EQ(text(key + "\\MiscStatus\\1"), "131473");
        EXPECT_EQ(text(key + "\\TypeLib"), "{DA41C6B8-DB1F-493C-913D-700702AD715B}");
        EXPECT_EQ(text(key + "\\Version"), "1.0");
        EXPECT_EQ(text(std::string(c.independentProgId) + "\\CurVer"), c.progId);
    }
    EXPECT_EQ(text("AppID\\{25259CD8-812E-4F6A-9C1E-BB82F3FD9322}"), "Sondrel3");
    EXPECT_EQ(text("AppID\\Sondrel3.DLL", "AppID"), "{25259CD8-812E-4F6A-9C1E-BB82F3FD9322}");
}

TEST_F(Registration, TheClassRegisteredLastOwnsASharedProgId) {
    ASSERT_EQ(sondrel::registerServer(kPath), S_OK);
    struct Owner {
        const char* progId;
        const char* owner;
    } owners[] = {
        {"Sondrel3.AudioAmpBar.1", "AudioAmpBarType1"},
        {"Sondrel3.AudioPlayBu.1", "AudioPlayButtonType2"},
        {"Sondrel3.AudioPlayButt", "AudioPlayButtonType2"},
        {"Sondrel3.AudioSlider.1", "AudioSlidersBands"},
        {"Sondrel3.AudioSliderTy", "AudioSliderType2"},
        {"Sondrel3.AudioSlidersB", "AudioSlidersBands"},
        {"Sondrel3.AudioVolume.1", "AudioVolumeButtonType2"},
        {"Sondrel3.AudioVolumeBu", "AudioVolumeButtonType2"},
        {"Sondrel3.AudioTimeDi.1", "AudioTimeDisplayType1"},
        {"Sondrel3.AudioTimeDisp", "AudioTimeDisplayType1"},
    };
    for (const Owner& o : owners) {
        const sondrel::ClassInfo* owner = nullptr;
        for (const sondrel::ClassInfo& c : kClasses)
            if (std::string(c.name) == o.owner) owner = &c;
        ASSERT_NE(owner, nullptr);
        EXPECT_EQ(text(std::string(o.progId) + "\\CLSID"), com::formatGuid(owner->clsid)) << o.progId;
        EXPECT_EQ(text(o.progId), std::string(o.owner) + " Class") << o.progId;
    }
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Sondrel3.AudioSlider.1", &clsid), S_OK);
    EXPECT_EQ(clsid, com::guid("{1FC69EF8-A749-4831-9005-3BCFB0BC37CF}"));
}

TEST_F(Registration, ClassKeysAreRecreatedAndUnregistrationRemovesEverything) {
    ASSERT_EQ(sondrel::registerServer(kPath), S_OK);
    const std::string key = "CLSID\\" + com::formatGuid(kClasses[6].clsid);
    ASSERT_TRUE(com::registry::writeText(HKEY_CLASSES_ROOT, key + "\\Stale", nullptr, "left over"));
    ASSERT_EQ(sondrel::registerServer(kPath), S_OK);
    EXPECT_FALSE(keyExists(key + "\\Stale"));
    EXPECT_EQ(text(key + "\\InprocServer32"), kPath);

    ASSERT_EQ(sondrel::unregisterServer(), S_OK);
    for (const sondrel::ClassInfo& c : kClasses) {
        EXPECT_FALSE(keyExists("CLSID\\" + com::formatGuid(c.clsid))) << c.name;
        EXPECT_FALSE(keyExists(c.progId)) << c.name;
        EXPECT_FALSE(keyExists(c.independentProgId)) << c.name;
    }
    EXPECT_FALSE(keyExists("AppID\\Sondrel3.DLL"));
    EXPECT_FALSE(keyExists("AppID\\{25259CD8-812E-4F6A-9C1E-BB82F3FD9322}"));
}

std::u16string errorSource(HRESULT hr, std::u16string* description) {
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    com::ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_OK);
    if (!info) return {};
    BSTR source = nullptr, text = nullptr;
    info->GetSource(&source);
    info->GetDescription(&text);
    GUID g = IID_IUnknown;
    info->GetGUID(&g);
    EXPECT_EQ(g, GUID_NULL);
    DWORD help = 7;
    info->GetHelpContext(&help);
    EXPECT_EQ(help, 0u);
    std::u16string s(com::view(source));
    *description = std::u16string(com::view(text));
    SysFreeString(source);
    SysFreeString(text);
    return s;
}

TEST_F(Registration, RangeErrorsNameTheRegisteredProgIdOrTheClassOwn) {
    const CLSID slider = com::guid("{29494380-4952-42E4-A8C1-D5A66C2038F5}");
    std::u16string description;
    // Not registered: the class's own ProgID.
    EXPECT_EQ(errorSource(sondrel::rangeError(slider, "SliderVer01 must have Speed value between 0 and 1000"),
                          &description),
              u"Sondrel3.AudioSlider.1");
    EXPECT_EQ(description, u"SliderVer01 must have Speed value between 0 and 1000");

    ASSERT_EQ(sondrel::registerServer(kPath), S_OK);
    ASSERT_TRUE(com::registry::writeText(HKEY_CLASSES_ROOT, "CLSID\\" + com::formatGuid(slider) + "\\ProgID",
                                         nullptr, "Other.Name.1"));
    EXPECT_EQ(errorSource(sondrel::rangeError(slider, "x"), &description), u"Other.Name.1");
}

TEST_F(Registration, TheRegistrationCommandRegistersTheLibraryAndEveryClassCreates) {
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + SONDREL_PATH).c_str()), 0);
    char real[4096];
    ASSERT_NE(realpath(SONDREL_PATH, real), nullptr);
    for (const sondrel::ClassInfo& c : kClasses) {
        EXPECT_EQ(text("CLSID\\" + com::formatGuid(c.clsid) + "\\InprocServer32"), real) << c.name;
        com::ComPtr<IUnknown> object;
        ASSERT_EQ(CoCreateInstance(c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()), S_OK)
            << c.name;
        com::ComPtr<IUnknown> dual;
        EXPECT_EQ(object->QueryInterface(c.iid, dual.putVoid()), S_OK) << c.name;
    }
    com::ComPtr<IUnknown> none;
    EXPECT_EQ(CoCreateInstance(IID_IUnknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, none.putVoid()),
              REGDB_E_CLASSNOTREG);
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " -u " + SONDREL_PATH).c_str()), 0);
    for (const sondrel::ClassInfo& c : kClasses) EXPECT_FALSE(keyExists("CLSID\\" + com::formatGuid(c.clsid)));
}

}  // namespace

namespace {

TEST(TypeLibrary, TheTimerMethodIsHiddenAndWhereTheClassSaysSoRestricted) {
    const std::map<std::string, WORD> expected{
        {"AudioAmpBarType1", FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED},
        {"AudioFlatButton", FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED},
        {"AudioFlatSlider", FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED},
        {"AudioPlayButtonType1", FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED},
        {"AudioPlayButtonType2", FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED},
        {"AudioSliderType1", FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED},
        {"AudioSliderType2", FUNCFLAG_FHIDDEN},
        {"AudioSlidersBands", FUNCFLAG_FHIDDEN},
        {"AudioVolumeButtonType1", FUNCFLAG_FHIDDEN},
        {"AudioVolumeButtonType2", FUNCFLAG_FHIDDEN},
    };
    std::size_t animated = 0;
    for (const sondrel::ClassInfo& c : kClasses) {
        const com::MemberDesc& first = c.dual->members.front();
        if (std::string(first.name) != "_OnTimer") continue;
        ++animated;
        ASSERT_TRUE(expected.count(c.name)) << c.name;
        EXPECT_EQ(first.dispid, 0) << c.name;
        EXPECT_EQ(first.flags, expected.at(c.name)) << c.name;
    }
    EXPECT_EQ(animated, expected.size());
}

}  // namespace
