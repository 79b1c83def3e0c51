#include "fixture.h"

using namespace forms;
using formstest::FormsTest;

TEST(FilterTest, ParsesDescriptionsAndTrimmedPatterns) {
    auto entries = parseFilter("Audio Files(*.wav, *.mp3, *.wma, *.cda, *.avi)|*.wav;*.mp3;*.wma;*.cda; *.avi|");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].description, "Audio Files(*.wav, *.mp3, *.wma, *.cda, *.avi)");
    EXPECT_EQ(entries[0].patterns, (std::vector<std::string>{"*.wav", "*.mp3", "*.wma", "*.cda", "*.avi"}));

    auto two = parseFilter("Text|*.txt|All files|*.*");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1].description, "All files");
    EXPECT_EQ(two[1].patterns, std::vector<std::string>{"*.*"});
    EXPECT_TRUE(parseFilter("").empty());
    auto bare = parseFilter("Nothing|");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_TRUE(bare[0].patterns.empty());

    struct Case {
        const char* name;
        bool match;
    } cases[] = {
        {"song.wav", true}, {"SONG.MP3", true}, {"/home/u/Clip.Avi", true}, {"Track01.cda", true},
        {"notes.txt", false}, {"song.wav.txt", false}, {"wav", false},
    };
    for (const Case& c : cases) EXPECT_EQ(filterMatches(entries[0], c.name), c.match) << c.name;
}

namespace {
class frm_Main : public Form {
public:
    frm_Main() : Form("frm_Main"), CommonDialog1(*this, "CommonDialog1") {}
    CommonDialog CommonDialog1;
};
}  // namespace

TEST_F(FormsTest, ShowOpenGivesTheChosenFileOrEmptyOnCancel) {
    frm_Main form;
    auto& dialog = form.CommonDialog1;
    FileDialogRequest seen;
    std::string answerPath = "/music/My Song.MP3";
    setFileDialogHook([&](const FileDialogRequest& request) {
        seen = request;
        return answerPath;
    });
    dialog.FileName = "";
    dialog.DialogTitle = "Select Audio File";
    dialog.CancelError = false;
    dialog.Filter = "Audio Files(*.wav, *.mp3)|*.wav; *.mp3|";
    dialog.ShowOpen();
    EXPECT_EQ(seen.title, "Select Audio File");
    ASSERT_EQ(seen.filters.size(), 1u);
    EXPECT_EQ(seen.filters[0].patterns[1], "*.mp3");
    EXPECT_EQ(dialog.FileName, "/music/My Song.MP3");
    EXPECT_EQ(dialog.FileTitle, "My Song.MP3");

    answerPath = "";
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName, "");
    EXPECT_EQ(dialog.FileTitle, "");
    dialog.CancelError = true;
    try {
        dialog.ShowOpen();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), errCancelSelected);
    }
    setFileDialogHook(nullptr);
}
