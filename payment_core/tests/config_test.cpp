#include <string>

#include "payment_core/core_component.h"
#include "win32/codepage.h"
#include "payment_core/tests/core_test.h"

using namespace payment_core;

namespace {
// A level above the root, shaped like the network levels: a flag, a hexadecimal
// number, a decimal number, a write-only text and a read-only text.
class NetLevel : public CoreComponent {
public:
    int config(ConfigRequest& request, const char** answer) override {
        if (request.nameIs("TcpNoDelay")) {
            if (request.isQuery) return answerBool(answer, noDelay);
            noDelay = parseBoolValue(request);
            return kOk;
        }
        if (request.nameIs("SSLSecurityFlags")) {
            if (request.isQuery) return answerInt(answer, securityFlags);
            securityFlags = parseIntValue(request);
            return kOk;
        }
        if (request.nameIs("InBufferSize")) {
            if (request.isQuery) return answerInt(answer, inBufferSize);
            inBufferSize = request.intValue();
            return kOk;
        }
        if (request.nameIs("FirewallData")) {
            if (request.isQuery) return answerText(answer, "");
            return firewallData.assign(static_cast<std::size_t>(request.value.length()), request.value.data());
        }
        if (request.nameIs("WinsockInfo") && request.isQuery) return answerText(answer, "Winsock 1.1");
        return CoreComponent::config(request, answer);
    }

    bool noDelay = false;
    int securityFlags = 0;
    int inBufferSize = 0;
    InlineString99 firewallData;
};

struct Parsed {
    std::string name;
    std::string value;
    int index;
    int isQuery;
};

Parsed parse(const char* text) {
    ConfigRequest request;
    EXPECT_EQ(request.parse(text), 0);
    return {request.name.data(), request.value.data(), request.index, request.isQuery};
}

constexpr int kNoIndex = kCheckoutBuild ? -1 : 0;
}  // namespace

CORE_TEST(ConfigRequest, ParsesNamesValuesAndIndexes) {
    struct Case {
        const char* text;
        Parsed expected;
    };
    const Case cases[] = {
        {"CodePage", {"CodePage", "", kNoIndex, 1}},
        {"CodePage=932", {"CodePage", "932", kNoIndex, 0}},
        {"TempFilePath=", {"TempFilePath", "", kNoIndex, 0}},
        {"Name[2]=x", {"Name", "x", 2, 0}},
        {"Name(2)=x", {"Name", "x", 2, 0}},
        {"Name[-3]", {"Name", "", -3, 1}},
        {"Name[2=x", {"Name", "x", kNoIndex, 0}},
        {"Na[1]me=v", {"Name", "v", 1, 0}},
        {"Key=a=b", {"Key", "a=b", kNoIndex, 0}},
        {"", {"", "", kNoIndex, 1}},
    };
    for (const Case& c : cases) {
        const Parsed got = parse(c.text);
        EXPECT_EQ(got.name, c.expected.name) << c.text;
        EXPECT_EQ(got.value, c.expected.value) << c.text;
        EXPECT_EQ(got.index, c.expected.index) << c.text;
        EXPECT_EQ(got.isQuery, c.expected.isQuery) << c.text;
    }
    const Parsed none = parse(nullptr);
    EXPECT_EQ(none.isQuery, 0);
    EXPECT_EQ(none.name, "");
}

CORE_TEST(ConfigRequest, FlagsAndNumbers) {
    struct Case {
        const char* value;
        bool flag;
        int number;
    };
    const Case cases[] = {
        {"true", true, 0},   {"YES", true, 0},     {"1", true, 1},       {"on", false, 0},
        {"", false, 0},      {"10", false, 10},    {"0x1f", false, 31},  {"0X1F", false, 31},
        {"0x1000", false, 4096}, {"0x-10", false, -16}, {"-5", false, -5}, {"12abc", false, 12},
    };
    for (const Case& c : cases) {
        ConfigRequest request;
        request.value.assignCString(c.value);
        EXPECT_EQ(parseBoolValue(request), c.flag) << c.value;
        EXPECT_EQ(parseIntValue(request), c.number) << c.value;
    }
}

CORE_TEST(Config, RootKeys) {
    CoreComponent component;
    const char* answer = nullptr;
    EXPECT_EQ(dispatchConfig(component, "codepage=932", &answer), 0);
    EXPECT_EQ(component.CodePage, 932);
    EXPECT_EQ(dispatchConfig(component, "CodePage", &answer), 0);
    EXPECT_STREQ(answer, "932");
    // CodePage reads decimal only.
    EXPECT_EQ(dispatchConfig(component, "CodePage=0x10", &answer), 0);
    EXPECT_EQ(component.CodePage, 0);
    EXPECT_EQ(dispatchConfig(component, "CharsetMode=1", &answer), 0);
    EXPECT_EQ(component.CharsetMode, 1);
    EXPECT_EQ(dispatchConfig(component, "CHARSETMODE", &answer), 0);
    EXPECT_STREQ(answer, "1");
    component.reset();
    EXPECT_EQ(component.CharsetMode, 0);
    // A Japanese system code page makes the reset choose the Japanese charset mode.
    win32::setAnsiCodePage(932);
    component.reset();
    win32::setAnsiCodePage(1252);
    EXPECT_EQ(component.CharsetMode, 1);
}

CORE_TEST(Config, LevelsAnswerTheirKeysAndPassTheRestDown) {
    NetLevel level;
    const char* answer = nullptr;
    struct Case {
        const char* text;
        int result;
        const char* answer;
    };
    const Case cases[] = {
        {"TcpNoDelay", 0, "False"},
        {"TcpNoDelay=YES", 0, nullptr},
        {"tcpnodelay", 0, "True"},
        {"TcpNoDelay=on", 0, nullptr},
        {"TcpNoDelay", 0, "False"},
        {"SSLSecurityFlags=0x1f", 0, nullptr},
        {"SSLSecurityFlags", 0, "31"},
        {"InBufferSize=0x1000", 0, nullptr},
        {"InBufferSize", 0, "0"},
        {"FirewallData=secret", 0, nullptr},
        {"FirewallData", 0, ""},
        {"WinsockInfo", 0, "Winsock 1.1"},
        {"WinsockInfo=abc", -1, ""},
        {"CodePage=65001", 0, nullptr},
        {"CodePage", 0, "65001"},
        {"NoSuchKey", -1, ""},
        {"NoSuchKey=1", -1, ""},
    };
    for (const Case& c : cases) {
        answer = nullptr;
        EXPECT_EQ(dispatchConfig(level, c.text, &answer), c.result) << c.text;
        if (c.answer) {
            ASSERT_NE(answer, nullptr) << c.text;
            EXPECT_STREQ(answer, c.answer) << c.text;
        }
        if (c.result == -1) {
            EXPECT_STREQ(level.lastError.data(), "Unknown config setting.") << c.text;
        }
    }
    EXPECT_TRUE(level.firewallData.equals("secret"));
    // Nothing after the equals sign writes the empty value.
    EXPECT_EQ(dispatchConfig(level, "FirewallData=", &answer), 0);
    EXPECT_TRUE(level.firewallData.empty());
}

CORE_TEST(Config, AnswerHelpersAndLastError) {
    CoreComponent component;
    const char* answer = nullptr;
    EXPECT_EQ(component.answerText(&answer, nullptr), 0);
    EXPECT_STREQ(answer, "");
    EXPECT_EQ(component.answerInt(&answer, -7), 0);
    EXPECT_STREQ(answer, "-7");
    EXPECT_EQ(answer, component.lastError.data());
    component.setLastError("failed");
    EXPECT_STREQ(component.lastError.data(), "failed");
    component.setLastError(nullptr);
    EXPECT_TRUE(component.lastError.empty());
    EXPECT_EQ(component.onWindowMessage(1, 2, 3), 0);
}

CORE_TEST(Config, OutOfMemoryWhileParsing) {
    CoreComponent component;
    const std::string longName(150, 'N');
    const char* answer = nullptr;
    AllocationLimit none(0);
    EXPECT_EQ(dispatchConfig(component, longName.c_str(), &answer), 200);
}
