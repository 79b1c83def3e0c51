#include "main_window.h"

#include <gtest/gtest.h>

#include "disable_autorun.h"
#include "main_window_fixture.h"
#include "program_values.h"
#include "startup.h"
#include "user_profile.h"

namespace {

TEST_F(MainWindowTest, OpensOnThePhoneStepWithTheSkinAndTheLists) {
    auto& main = open();
    screenshot(main, "tavimo-main-step1.png");
    EXPECT_EQ(main.Caption(), "Tavimo 0.0.0");
    EXPECT_EQ(main.m_FrameNumber, 1);
    EXPECT_TRUE(main.fr_Main(1).Visible());
    EXPECT_FALSE(main.fr_Main(3).Visible());
    EXPECT_FALSE(main.cmd_Prev.Visible());
    EXPECT_EQ(main.Label16.Caption(), "Enter Your Mobile Phone Information");
    EXPECT_EQ(main.txt_price.Caption(), "$1.99 USD");
    EXPECT_EQ(main.txt_price2.Caption(), "$1.99 USD");
    EXPECT_EQ(main.cb_CountryList.List(0), "* Choose country");
    EXPECT_EQ(main.cb_CountryList.ListCount(), 4);
    EXPECT_EQ(main.cb_CarrierList.List(0), "* Choose carrier");
    EXPECT_TRUE(main.AudioEditor21 && main.AudioSliderType21 && main.AudioTimeDisplayType11);
    EXPECT_TRUE(messages.empty());
}

}  // namespace

namespace {

TEST(MainWindowCaption, NamesTheVersion) { EXPECT_EQ(MainWindowCaption(2, 3, 7), "Tavimo 2.3.7"); }

std::vector<int> visibleFrames(frm_Main& main) {
    std::vector<int> shown;
    for (int index : main.fr_Main.indices())
        if (main.fr_Main(index).Visible()) shown.push_back(index);
    return shown;
}

// A new user's first start: the program folder holds what the build put there and nothing else.
TEST_F(MainWindowTest, AFirstStartInTheBuiltFolderOpensTheMainWindowWithoutAMessage) {
    std::filesystem::copy_file(builtProgramFolder() / kProfileFileName, folder / kProfileFileName);
    setenv("TAVIMO_CONNECTIVITY_URL", service.server().url("/").c_str(), 1);
    g_CountryName.clear();
    g_CarrierName.clear();
    SetMainWindowOpener([] { forms::Default<frm_Main>().Show(); });
    Main();
    forms::drive::pump(std::chrono::milliseconds(50));
    SetMainWindowOpener(nullptr);
    unsetenv("TAVIMO_CONNECTIVITY_URL");
    auto* main = findForm<frm_Main>();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->Visible());
    EXPECT_EQ(main->m_FrameNumber, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, StepLayoutShowsOneFrameWithItsDecorations) {
    auto& main = open();
    ASSERT_TRUE(main.SetFrame(4));
    EXPECT_EQ(visibleFrames(main), std::vector<int>{4});
    EXPECT_EQ(main.Label16.Caption(), "Edit Audio And Make Your Ringtone");
    EXPECT_TRUE(main.cmd_Prev.Visible());

    // Steps 2 and 5 switch the frame only; the decorations keep the last step's texts.
    for (int step : {2, 5}) {
        ASSERT_TRUE(main.SetFrame(step));
        EXPECT_EQ(visibleFrames(main), std::vector<int>{step});
        EXPECT_EQ(main.Label16.Caption(), "Edit Audio And Make Your Ringtone");
        EXPECT_EQ(main.Label5.Caption(), "Select Any Section");
        EXPECT_FALSE(main.cmd_Prev.Visible());
    }

    // The CD track step: step 3's texts under the old heading, the back button, the device closed.
    ASSERT_TRUE(main.SetFrame(31));
    EXPECT_EQ(visibleFrames(main), std::vector<int>{31});
    EXPECT_EQ(main.Label16.Caption(), "Edit Audio And Make Your Ringtone");
    EXPECT_EQ(main.Label5.Caption(), "Get Creative!");
    EXPECT_EQ(main.Label17.Caption(), "Only $1.99 USD");
    EXPECT_TRUE(main.cmd_Prev.Visible());
    EXPECT_EQ(main.MMControl1.Command(), "Close");
    EXPECT_EQ(main.fr_Main(31).Left(), 3000);
    EXPECT_EQ(main.fr_Main(31).Top(), 2055);

    // A step without a frame of its own hides them all.
    EXPECT_TRUE(main.SetFrame(7));
    EXPECT_TRUE(visibleFrames(main).empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, AutoPlayIsCancelledWhileTheWindowIsOpen) {
    auto& main = open();
    EXPECT_EQ(SendMessageA(main.hWnd(), GetAutoPlayMessage(), 0, 0), 1);
    EXPECT_EQ(GetAutoPlayMessage(), RegisterWindowMessageA("QueryCancelAutoPlay"));
}

TEST_F(MainWindowTest, OtherMessagesReachTheWindowsOwnProcedure) {
    static std::vector<UINT> received;
    received.clear();
    WNDPROC own = [](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        received.push_back(msg);
        return 42;
    };
    forms::Form form("hooked");
    form.Load();
    SetWindowLongA(form.hWnd(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    HookAutoPlay(form);
    EXPECT_EQ(SendMessageA(form.hWnd(), WM_USER + 7, 0, 0), 42);
    EXPECT_EQ(SendMessageA(form.hWnd(), GetAutoPlayMessage(), 0, 0), 1);
    UnhookAutoPlay(form);
    EXPECT_EQ(SetWindowLongA(form.hWnd(), GWL_WNDPROC, 0), reinterpret_cast<LONG_PTR>(own));
    EXPECT_EQ(received, std::vector<UINT>{WM_USER + 7});
    form.Unload();
}

TEST_F(MainWindowTest, BackAndForwardFollowTheMainRoad) {
    auto& main = open();
    main.m_FrameNumber = 3;
    main.SetFrame(3);
    forms::drive::click(main.cmd_Prev);
    EXPECT_EQ(visibleFrames(main), std::vector<int>{1});
    EXPECT_EQ(main.m_FrameNumber, 2);
    EXPECT_TRUE(g_PhoneEntryOpen);
    main.sb__NextFrame();
    EXPECT_EQ(visibleFrames(main), std::vector<int>{3});
    EXPECT_EQ(main.m_FrameNumber, 3);

    // Back from editing closes the CD device and the editor and shows the audio source.
    main.m_FrameNumber = 4;
    main.SetFrame(4);
    main.AudioTimeDisplayType11->Visible(true);
    forms::drive::click(main.cmd_Prev);
    EXPECT_EQ(visibleFrames(main), std::vector<int>{3});
    EXPECT_EQ(main.m_FrameNumber, 3);
    EXPECT_FALSE(static_cast<forms::Control&>(*main.AudioTimeDisplayType11).Visible());
    EXPECT_TRUE(main.cmd_Prev.Visible());
    EXPECT_EQ(main.MMControl1.Command(), "Close");
    EXPECT_EQ(main.MMControl1.Mode(), forms::mciModeNotReady);

    main.m_FrameNumber = 5;
    main.sb__NextFrame();
    EXPECT_EQ(main.m_FrameNumber, 5);
    EXPECT_EQ(visibleFrames(main), std::vector<int>{5});
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, ClosingDeletesTheListsAndTheRingtoneAndSavesTheProfile) {
    auto& main = open();
    main.prp_FileName("Tune5551234567090612143015.mp3");
    write("Tune5551234567090612143015.mp3", "mp3");
    g_CarrierName = "Rogers";
    forms::drive::activate(main.mnu_ExitMenu);
    forms::drive::pump();
    EXPECT_FALSE(exists(kCountryFileName));
    EXPECT_FALSE(exists(kCarrierFileName));
    EXPECT_FALSE(exists("Tune5551234567090612143015.mp3"));
    EXPECT_NE(read("UserProfile.ini").find("Rogers"), std::string::npos);
    EXPECT_TRUE(forms::Forms().empty());
}

TEST_F(MainWindowTest, AMissingSkinPictureIsNamedAndEndsTheProgram) {
    std::filesystem::remove(folder / "images" / "play_on.bmp");
    auto& main = forms::Default<frm_Main>();
    EXPECT_FALSE(main.SkinLoaded());
    main.Unload();
    forms::drive::pump();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Loading Program");
    EXPECT_NE(boxes[0].text.find("images/play_on.bmp"), std::string::npos);
    EXPECT_TRUE(forms::Forms().empty());
}

TEST_F(MainWindowTest, PropertySettersKeepTheirRules) {
    auto& main = open();
    main.prp_CarrierSelect("Rogers");
    main.prp_CarrierSelect("");
    EXPECT_EQ(main.prp_CarrierSelect(), "Rogers");
    main.prp_PhoneNumber("5551234567");
    EXPECT_EQ(main.m_PhoneNumberStatus, 0);
    main.meb_PhoneNumber1.Text("123456789012345678901");
    main.prp_PhoneNumber(main.meb_PhoneNumber1.Text());
    EXPECT_EQ(main.m_PhoneNumberStatus, 4);
    EXPECT_EQ(main.prp_PhoneNumber(), "5551234567");
    EXPECT_EQ(main.meb_PhoneNumber1.Text(), "");
    main.prp_FileName(std::string(43, 'a'));
    EXPECT_EQ(main.prp_FileName(), "");
    EXPECT_EQ(main.txt_RingtoneName.Text(), "");
    EXPECT_EQ(main.prp_ModelSelect(), "");
}

}  // namespace
