#include "backend_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app_fixture.h"
#include "service_requests.h"
#include "testing/service/service_standin.h"

namespace {

using Backend = AppTest;

std::vector<std::string> backendValues() {
    return {g_PartnerPostUrl, g_UploadPath, g_UploadHost, g_CarrierListUrl, g_CountryListUrl,
            g_BillingPageUrl, g_CurrencyPageUrl};
}

TEST_F(Backend, ReaderTable) {
    struct Case {
        std::string content;
        bool result;
        std::vector<std::string> values;
        std::vector<ShownMessage> shown;
    } cases[] = {
        {"", true, {"", "", "", "", "", "", ""}, {}},
        {"p,u,h,c,k,b,y\r\n", true, {"p", "u", "h", "c", "k", "b", "y"}, {}},
        {"1,2,3,4,5,6,7\r\n8,9,10,11,12,13,14\r\n", true, {"8", "9", "10", "11", "12", "13", "14"}, {}},
        // Records need not follow lines: only the count of fields matters.
        {"p,u\r\nh,c,k\r\nb,y", true, {"p", "u", "h", "c", "k", "b", "y"}, {}},
        {"\"http://x/?a=1,b=2\",u,h,c,k,b,y", true, {"http://x/?a=1,b=2", "u", "h", "c", "k", "b", "y"}, {}},
        {"1,2,3,4,5,6,7\r\n8,9,10\r\n",
         false,
         {"8", "9", "10", "4", "5", "6", "7"},
         {{"Error 62 (Input past end of file)", "Read BackEnd Configuration File"}}},
    };
    for (const auto& c : cases) {
        ResetProgramValues();
        messages.clear();
        write("Backend.txt", c.content);
        EXPECT_EQ(ReadBackendFile(path("Backend.txt")), c.result) << c.content;
        EXPECT_EQ(backendValues(), c.values) << c.content;
        EXPECT_EQ(messages, c.shown) << c.content;
    }
}

TEST_F(Backend, MissingFileIsError53) {
    EXPECT_FALSE(ReadBackendFile(path("Backend.txt")));
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Error 53 (File not found)", "Read BackEnd Configuration File"}}));
}

TEST_F(Backend, ListReadersFillTheTables) {
    write("country.ini", "1,\"USA\",\"US\",\"+1\"\r\n2,,\"XX\",\"+0\"\r\n44,\"United Kingdom\",\"UK\",\"+44\"\r\n");
    write("carriers.ini", "7,\"usa\",\"First\"\r\n8,\"USA\",\"AT&T, Inc.\"\r\n9,\"Canada\",\"Rogers\"\r\n");
    EXPECT_TRUE(ReadCountryList(path("country.ini")));
    EXPECT_TRUE(ReadCarrierList(path("carriers.ini")));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(g_CountryTable[0].code, 1);
    EXPECT_EQ(g_CountryTable[0].dialCode, "+1");
    EXPECT_EQ(g_CountryTable[1].name, "");
    EXPECT_EQ(g_CountryTable[1].unused, "XX");
    EXPECT_EQ(g_CountryTable[2].name, "United Kingdom");
    EXPECT_EQ(g_CarrierTable[1].carrierName, "AT&T, Inc.");

    ListBoxModel countries, carriers;
    g_CountryName = kChooseCountry;
    g_CarrierName = kChooseCarrier;
    FillCountryList(countries, carriers);
    FillCarrierList(carriers);
    EXPECT_EQ(countries.items, (std::vector<std::string>{kChooseCountry, "USA", "United Kingdom"}));
    EXPECT_TRUE(g_CountryPlaceholder);
    EXPECT_EQ(g_CountryListFirstEntry, kChooseCountry);
    EXPECT_EQ(carriers.items, (std::vector<std::string>{kChooseCarrier}));
    EXPECT_TRUE(g_CarrierPlaceholder);

    // Record 0 names the country too but is never offered; the country compares without case.
    FillCarriersOfCountry(carriers, "USA");
    EXPECT_EQ(carriers.items, (std::vector<std::string>{"AT&T, Inc."}));

    g_CountryName = "United Kingdom";
    g_CountryPlaceholder = false;
    FillCountryList(countries, carriers);
    EXPECT_EQ(countries.items, (std::vector<std::string>{"USA", "United Kingdom"}));
    EXPECT_EQ(countries.listIndex, 1);
    EXPECT_FALSE(g_CountryPlaceholder);
}

TEST_F(Backend, The1002ndListRecordIsAnErrorAndTheRestStay) {
    std::string content;
    for (int i = 0; i < 1002; ++i) content += std::to_string(i) + ",\"C" + std::to_string(i) + "\",\"N\"\r\n";
    write("carriers.ini", content);
    EXPECT_FALSE(ReadCarrierList(path("carriers.ini")));
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Error 9 (Subscript out of range)", "Read Configuration File"}}));
    EXPECT_EQ(g_CarrierTable[1000].unused, 1000);
    EXPECT_EQ(g_CarrierTable[1000].countryName, "C1000");

    messages.clear();
    content.clear();
    for (int i = 0; i < 1001; ++i) content += std::to_string(i) + ",a,b,c\r\n";
    write("country.ini", content);
    EXPECT_TRUE(ReadCountryList(path("country.ini")));
    EXPECT_TRUE(messages.empty());

    write("country.ini", "1,a,b,c\r\n2,short");
    EXPECT_FALSE(ReadCountryList(path("country.ini")));
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Error 62 (Input past end of file)", "Read Configuration File"}}));
    EXPECT_EQ(g_CountryTable[1].code, 2);
    EXPECT_EQ(g_CountryTable[1].name, "short");
}

class Downloads : public AppTest {
protected:
    fixtures::ServiceStandin service;
    void SetUp() override {
        AppTest::SetUp();
        setenv("TAVIMO_SERVICE_HOST", service.host().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TAVIMO_SERVICE_HOST");
        AppTest::TearDown();
    }
};

TEST_F(Downloads, BytesAreWrittenAsTheyCame) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    service.setFile("/lists/carriers.ini", all);
    g_ModID = "42";
    g_CarrierListUrl = service.server().url("/lists/carriers.ini");
    write("carriers.ini", "old");
    EXPECT_TRUE(DownloadBackendFile());
    EXPECT_TRUE(DownloadCarrierList());
    EXPECT_EQ(read("Backend.txt"), service.backendFile());
    EXPECT_EQ(read("carriers.ini"), all);
    EXPECT_EQ(service.requestLines(),
              (std::vector<std::string>{"GET /_ini/backend/42/BackEnd.txt", "GET /lists/carriers.ini"}));
    // The old list went to the trash, and nothing of the download is left beside the program.
    EXPECT_FALSE(std::filesystem::is_empty(dataHome() / "Trash" / "files"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
    EXPECT_TRUE(messages.empty());
}

// The program folder's changes during a list download, as the kernel reports them: carriers.ini
// is replaced in one step and never absent, so a download killed at any moment leaves the old
// list or the new one; the Trash receives a copy of the old list under its own name. What a
// download killed while copying left is taken away, unless a live download holds it.
TEST_F(Downloads, TheNewListReplacesTheOldInOneStep) {
    service.setFile("/lists/carriers.ini", "new list");
    g_CarrierListUrl = service.server().url("/lists/carriers.ini");
    write("carriers.ini", "old list");
    const auto abandoned = folder / ".trash-staging-1", held = folder / ".trash-staging-2";
    for (const auto& staging : {abandoned, held}) {
        std::filesystem::create_directory(staging);
        std::ofstream(staging / "carriers.ini") << "partly copied";
    }
    const int holder = open(held.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO), 0);
    EXPECT_TRUE(DownloadCarrierList());
    std::vector<std::string> absences;
    alignas(inotify_event) char buffer[16384];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->len && std::string(event->name) == kCarrierFileName &&
                (event->mask & (IN_DELETE | IN_MOVED_FROM)))
                absences.push_back(event->mask & IN_DELETE ? "deleted" : "moved away");
            p += sizeof(inotify_event) + event->len;
        }
    close(watch);
    EXPECT_EQ(absences, std::vector<std::string>{});
    EXPECT_EQ(read("carriers.ini"), "new list");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".trash-staging-2", "carriers.ini"}));
    close(holder);
    std::vector<std::string> trashed;
    for (const auto& entry : std::filesystem::directory_iterator(dataHome() / "Trash" / "files")) {
        std::ifstream in(entry.path(), std::ios::binary);
        if (std::string(std::istreambuf_iterator<char>(in), {}) == "old list")
            trashed.push_back(entry.path().filename());
    }
    EXPECT_EQ(trashed, std::vector<std::string>{kCarrierFileName});
}

TEST_F(Downloads, AFailedDownloadKeepsTheOldFile) {
    service.setFile("/_ini/backend/7/BackEnd.txt", "not found", 404);
    service.setAnswer("/lists/carriers.ini", fixtures::Answer::hangUp());
    service.setAnswer("/lists/country.ini", fixtures::Answer::silence());
    SetServiceTimeouts({1, 1});
    g_ModID = "7";
    g_CarrierListUrl = service.server().url("/lists/carriers.ini");
    g_CountryListUrl = service.server().url("/lists/country.ini");
    write("Backend.txt", "backend");
    write("carriers.ini", "carriers");
    write("country.ini", "countries");
    EXPECT_FALSE(DownloadBackendFile());
    EXPECT_FALSE(DownloadCarrierList());
    EXPECT_FALSE(DownloadCountryList());
    EXPECT_EQ(read("Backend.txt"), "backend");
    EXPECT_EQ(read("carriers.ini"), "carriers");
    EXPECT_EQ(read("country.ini"), "countries");
    EXPECT_TRUE(messages.empty());

    g_CarrierListUrl = "http://127.0.0.1:1/refused";
    EXPECT_FALSE(DownloadCarrierList());
    EXPECT_EQ(read("carriers.ini"), "carriers");
}

}  // namespace
