#include <gtest/gtest.h>

#include "main_window_fixture.h"
#include "program_values.h"

namespace {

class PhoneStep : public MainWindowTest {};

TEST_F(PhoneStep, SubmittingNothingShowsThreeMessagesAndStays) {
    auto& main = open();
    forms::drive::click(main.cmd_SubmitCarrier);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"You must enter a Carrier to proceed", "Select a Carrier"},
                                                   {"You must enter a Country to proceed", "Select a Country"},
                                                   {"You must enter a valid phone # to proceed", "Enter Phone Number"}}));
    EXPECT_EQ(main.m_FrameNumber, 1);
    EXPECT_TRUE(main.fr_Main(1).Visible());
    EXPECT_TRUE(trackingSteps().empty());
}

// Without a profile (or with a country the list does not hold) nothing is chosen yet, so the
// first choice, whichever entry it is, offers that country's carriers.
TEST_F(PhoneStep, WithoutAChosenCountryTheFirstChoiceOffersItsCarriers) {
    for (const std::string& profileCountry : {std::string(), std::string("Atlantis")}) {
        // Closing the window deletes the lists.
        write(kCountryFileName, fixtures::ServiceStandin::countriesFile());
        write(kCarrierFileName, "0,\"USA\",\"Never offered\"\r\n1,\"USA\",\"Cingular\"\r\n");
        g_CountryName = profileCountry;
        g_CarrierName.clear();
        auto& main = open();
        EXPECT_EQ(main.cb_CountryList.ListIndex(), -1) << profileCountry;
        EXPECT_EQ(main.cb_CountryList.Text(), "");
        EXPECT_EQ(main.txtbox_internationaldialcode.Text(), "");
        EXPECT_EQ(main.cb_CarrierList.ListCount(), 0);
        ASSERT_EQ(main.cb_CountryList.List(0), "USA");
        forms::drive::choose(main.cb_CountryList, 0);
        EXPECT_EQ(g_CountryCode, 1);
        EXPECT_EQ(main.txtbox_internationaldialcode.Text(), "+1");
        ASSERT_EQ(main.cb_CarrierList.ListCount(), 1);
        EXPECT_EQ(main.cb_CarrierList.List(0), "Cingular");
        main.Unload();
        forms::drive::pump();
    }
}

TEST_F(PhoneStep, ChoosingACountryOffersItsCarriersAndDialCode) {
    write(kCarrierFileName,
          "0,\"Canada\",\"Never offered\"\r\n1,\"USA\",\"Cingular\"\r\n2,\"CANADA\",\"Rogers\"\r\n"
          "3,\"canada\",\"Bell Mobility\"\r\n");
    auto& main = open();
    forms::drive::choose(main.cb_CountryList, 2);  // Canada, after the placeholder
    EXPECT_EQ(main.cb_CountryList.Text(), "Canada");
    EXPECT_EQ(main.txtbox_internationaldialcode.Text(), "+1");
    EXPECT_EQ(g_CountryCode, 2);
    ASSERT_EQ(main.cb_CarrierList.ListCount(), 2);
    EXPECT_EQ(main.cb_CarrierList.List(0), "Rogers");
    EXPECT_EQ(main.cb_CarrierList.List(1), "Bell Mobility");
    EXPECT_FALSE(g_CarrierPlaceholder);

    // A name outside the table (the placeholder) takes record 1000: no code, no dialling code.
    forms::drive::choose(main.cb_CountryList, 0);
    EXPECT_EQ(g_CountryCode, 0);
    EXPECT_EQ(main.txtbox_internationaldialcode.Text(), "");
    EXPECT_EQ(main.cb_CarrierList.ListCount(), 0);
}

TEST_F(PhoneStep, ThePhoneBoxTakesDigitsAndBackspaceOnly) {
    auto& main = open();
    forms::drive::focus(main);
    main.meb_PhoneNumber1.SetFocus();
    forms::drive::type(main.meb_PhoneNumber1, "55a5-( )1");
    EXPECT_EQ(main.meb_PhoneNumber1.Text(), "5551");
    EXPECT_EQ(beeps, 10);
    forms::drive::key(main.meb_PhoneNumber1, forms::vbKeyBack);
    EXPECT_EQ(main.meb_PhoneNumber1.Text(), "555");
}

TEST_F(PhoneStep, PhoneNumbersOfSevenToFourteenDigitsPass) {
    auto& main = open();
    forms::drive::choose(main.cb_CountryList, 1);  // USA
    forms::drive::choose(main.cb_CarrierList, 0);
    const struct {
        std::string number;
        bool passes;
    } cases[] = {{"555123", false}, {"5551234", true}, {"55512345678901", true}, {"555123456789012", false}};
    for (const auto& c : cases) {
        messages.clear();
        main.meb_PhoneNumber1.Text(c.number);
        forms::drive::click(main.cmd_SubmitCarrier);
        EXPECT_EQ(main.m_FrameNumber == 3, c.passes) << c.number;
        EXPECT_EQ(messages.empty(), c.passes) << c.number;
        if (c.passes) {
            EXPECT_EQ(main.prp_PhoneNumber(), c.number);
            forms::drive::click(main.cmd_Prev);
            ASSERT_TRUE(main.fr_Main(1).Visible());
        }
    }
}

TEST_F(PhoneStep, ASuccessfulSubmitDropsThePlaceholdersAndMovesToTheAudioSource) {
    auto& main = open();
    forms::drive::choose(main.cb_CountryList, 3);  // United Kingdom
    forms::drive::choose(main.cb_CarrierList, 1);  // O2
    main.meb_PhoneNumber1.Text("447700900123");
    forms::drive::click(main.cmd_SubmitCarrier);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(main.m_FrameNumber, 3);
    EXPECT_TRUE(main.fr_Main(3).Visible());
    EXPECT_EQ(main.cb_CountryList.List(0), "USA");
    EXPECT_EQ(main.prp_CarrierSelect(), "O2");
    EXPECT_EQ(main.prp_CountrySelect(), "United Kingdom");
    EXPECT_EQ(g_CountryCode, 44);
    EXPECT_FALSE(g_PhoneEntryOpen);
    EXPECT_FALSE(main.Image28.Visible());
    ASSERT_TRUE(service.server().waitForRequests(1, fixtures::Milliseconds(5000)));
    EXPECT_EQ(trackingSteps(), std::vector<std::string>{"100"});
    EXPECT_NE(service.requestLines().back().find("&phone=447700900123"), std::string::npos);
    screenshot(main, "tavimo-main-step3.png");
}

TEST_F(PhoneStep, TheProfilesChoicesAreRestoredWithTheCountrysCarriers) {
    g_CountryName = "USA";
    g_CarrierName = "Verizon Wireless";
    g_PhoneNumberText = "5551234567";
    auto& main = open();
    EXPECT_EQ(main.cb_CountryList.Text(), "USA");
    EXPECT_EQ(main.cb_CountryList.List(0), "USA");
    EXPECT_EQ(main.cb_CarrierList.ListCount(), 3);
    EXPECT_EQ(main.cb_CarrierList.Text(), "Verizon Wireless");
    EXPECT_EQ(main.txtbox_internationaldialcode.Text(), "+1");
    EXPECT_EQ(g_CountryCode, 1);
    EXPECT_EQ(main.meb_PhoneNumber1.Text(), "5551234567");
    EXPECT_EQ(main.prp_PhoneNumber(), "5551234567");
    EXPECT_EQ(main.prp_CarrierSelect(), "Verizon Wireless");

    forms::drive::click(main.cmd_SubmitCarrier);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(main.m_FrameNumber, 3);
}

}  // namespace
