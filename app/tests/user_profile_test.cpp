#include "user_profile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "app_fixture.h"
#include "backend_files.h"
#include "main_window_values.h"

namespace {

using Profile = AppTest;

// The build's step that puts the initial profile beside the program, run as the build runs it.
void placeInitialProfile(const std::filesystem::path& profile) {
    const std::string command = std::string("'") + CMAKE_COMMAND_PATH + "' -DPROFILE='" + profile.string() +
                                "' -P '" + PLACE_PROFILE_SCRIPT + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST_F(Profile, TheBuildPlacesAProfileTheReaderTakesAndKeepsTheUsersOwn) {
    const auto profile = folder / kProfileFileName;
    placeInitialProfile(profile);
    ASSERT_TRUE(exists(kProfileFileName));
    EXPECT_TRUE(ReadUserProfile());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(g_CarrierName, "");
    EXPECT_EQ(g_CountryName, "");

    const std::string chosen = ",Rogers,tvm,,,,,,,,,Canada,[Phone Numbers],5551234\r\n";
    write(kProfileFileName, chosen);
    placeInitialProfile(profile);
    EXPECT_EQ(read(kProfileFileName), chosen);
}

TEST_F(Profile, RoundTripByteForByte) {
    const std::string line = "s1,Verizon Wireless,ptn,s4,s5,s6,s7,AL,s9,USA,s11,United Kingdom,[Phone Numbers],5551234\r\n";
    write("UserProfile.ini", line);
    g_PartnerID = "other";
    ASSERT_TRUE(ReadUserProfile());
    EXPECT_EQ(g_CarrierName, "Verizon Wireless");
    EXPECT_EQ(g_CountryName, "United Kingdom");
    EXPECT_EQ(g_PhoneNumberText, "5551234");
    EXPECT_EQ(g_PhoneList[1], "5551234");
    EXPECT_EQ(g_PartnerID, "other");
    EXPECT_TRUE(messages.empty());

    g_PartnerID = "ptn";
    MainWindowProperties().prp_PhoneNumber = g_PhoneNumberText;
    std::filesystem::remove(path("UserProfile.ini"));
    WriteUserProfile();
    EXPECT_EQ(read("UserProfile.ini"), line);
}

TEST_F(Profile, EmptyFieldsTakeTheirDefaults) {
    write("UserProfile.ini", ",,,,,,,,,,,,,\r\n");
    ASSERT_TRUE(ReadUserProfile());
    EXPECT_EQ(g_CarrierName, "* Choose carrier");
    EXPECT_EQ(g_CountryName, "* Choose country");
    EXPECT_EQ(g_ProfileStoredValues[8], "AL");
    EXPECT_EQ(g_ProfileStoredValues[10], "USA");
    EXPECT_EQ(g_ProfileStoredValues[1], "");
}

TEST_F(Profile, ErrorsKeepWhatWasRead) {
    EXPECT_FALSE(ReadUserProfile());
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Problem with UserProFile File not found", "Setup User Profile"}}));
    EXPECT_EQ(g_CarrierName, "");
    EXPECT_EQ(g_CountryName, "");

    messages.clear();
    write("UserProfile.ini", "a,Carrier,p,4,5,6,7,8,9,10,11,Country,[Phone Numbers],555,556,12.7,-3.5,x\r\n");
    EXPECT_FALSE(ReadUserProfile());
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Problem with UserProFile Type mismatch", "Setup User Profile"}}));
    EXPECT_EQ(g_CarrierName, "Carrier");
    EXPECT_EQ(g_CountryName, "Country");
    EXPECT_EQ(g_PhoneList[2], "556");
    EXPECT_EQ(g_PhoneList[3], "12");
    EXPECT_EQ(g_PhoneList[4], "-4");

    messages.clear();
    std::string many = "a,b,c,d,e,f,g,h,i,j,k,l,m";
    for (int i = 0; i < 1001; ++i) many += "," + std::to_string(i);
    write("UserProfile.ini", many);
    EXPECT_FALSE(ReadUserProfile());
    EXPECT_EQ(messages,
              (std::vector<ShownMessage>{{"Problem with UserProFile Subscript out of range", "Setup User Profile"}}));
    EXPECT_EQ(g_PhoneList[1000], "999");
}

TEST_F(Profile, FieldsWithCommasQuotesAndBlanksSurviveTheRoundTrip) {
    g_ProfileStoredValues[1] = " padded ";
    g_CarrierName = "AT&T, Inc.";
    g_PartnerID = "tvm";
    g_CountryName = "Say \"Hi\"";
    MainWindowProperties().prp_PhoneNumber = "555,123";
    WriteUserProfile();
    EXPECT_EQ(read("UserProfile.ini"),
              "\" padded \",\"AT&T, Inc.\",tvm,,,,,,,,,\"Say \"\"Hi\"\"\",[Phone Numbers],\"555,123\"\r\n");
    ResetProgramValues();
    ASSERT_TRUE(ReadUserProfile());
    EXPECT_EQ(g_ProfileStoredValues[1], " padded ");
    EXPECT_EQ(g_CarrierName, "AT&T, Inc.");
    EXPECT_EQ(g_CountryName, "Say \"Hi\"");
    EXPECT_EQ(g_PhoneNumberText, "555,123");
    EXPECT_EQ(g_ProfileStoredValues[8], "AL");
}

// A folder where a file is expected cannot be read: a told error like any other, whichever of
// the files it is.
TEST_F(Profile, AFolderInPlaceOfAFileIsAToldError) {
    struct Reader {
        std::string file;
        std::function<bool(const std::string&)> read;
        ShownMessage told;
    };
    const std::vector<Reader> readers = {
        {"UserProfile.ini", [](const std::string&) { return ReadUserProfile(); },
         {"Problem with UserProFile Path/File access error", "Setup User Profile"}},
        {"Backend.txt", ReadBackendFile, {"Error 75 (Path/File access error)", "Read BackEnd Configuration File"}},
        {"country.ini", ReadCountryList, {"Error 75 (Path/File access error)", "Read Configuration File"}},
        {"carriers.ini", ReadCarrierList, {"Error 75 (Path/File access error)", "Read Configuration File"}},
    };
    for (const Reader& reader : readers) {
        messages.clear();
        std::filesystem::create_directory(path(reader.file));
        EXPECT_FALSE(reader.read(path(reader.file))) << reader.file;
        EXPECT_EQ(messages, std::vector<ShownMessage>{reader.told}) << reader.file;
    }
}

TEST_F(Profile, AWriteThatFailsIsReported) {
    std::filesystem::create_directory(path("UserProfile.ini"));
    WriteUserProfile();
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Problem updating User ProFile", "Update User Profile"}}));
}

// A write that fails half way, as on a full disk, leaves the profile as it was and nothing else.
TEST_F(Profile, AWriteThatFailsHalfWayKeepsTheOldProfile) {
    const std::string old = "a,Old Carrier,tvm,,,,,,,,,Old Country,[Phone Numbers],5550001111\r\n";
    write("UserProfile.ini", old);
    g_CarrierName = "New Carrier";
    g_CountryName = "New Country";
    MainWindowProperties().prp_PhoneNumber = "5552223333";

    // While the profile is written no file may grow past 16 bytes.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
    WriteUserProfile();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(read("UserProfile.ini"), old);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Problem updating User ProFile", "Update User Profile"}}));
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path().filename());
    EXPECT_EQ(files, std::vector<std::string>{"UserProfile.ini"});

    // With room, the new profile replaces the old one whole.
    messages.clear();
    WriteUserProfile();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(read("UserProfile.ini"), BuildProfileLine() + "\r\n");
}

}  // namespace
