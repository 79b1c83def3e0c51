#include "audio_editor/audio_editor.h"
#include "win32/testing/cd_images.h"

#include <gtest/gtest.h>

namespace {

using audio_editor::Editor;
using audio_editor::EditorError;

TEST(CdTrackFile, LoadsTheTracksAudioAsItsClip) {
    cd_images::DiscFolder disc;
    disc.write({{true, 150}, {true, 375}});
    Editor editor;
    editor.OpenFile("D:\\Track02.cda");
    EXPECT_EQ(editor.clip().sampleRate, 44100);
    EXPECT_EQ(editor.clip().channels, 2);
    EXPECT_EQ(editor.clip().samples, cd_images::expectedTrack(2, 375));
    EXPECT_EQ(editor.selection().Length(), 375 * 588);
    EXPECT_EQ(editor.selection().PositionToMs(editor.selection().Length()), 5000);

    editor.OpenFile("d:/track01.cda");
    EXPECT_EQ(editor.clip().samples, cd_images::expectedTrack(1, 150));
}

TEST(CdTrackFile, WhatIsNoAudioTrackIsRefusedAndUnloads) {
    cd_images::DiscFolder disc;
    disc.write({{true, 150}, {false, 300}});
    Editor editor;
    editor.OpenFile("D:\\Track01.cda");
    for (const char* path : {"D:\\Track02.cda", "D:\\Track03.cda", "D:\\readme.txt", "D:\\"}) {
        EXPECT_THROW(editor.OpenFile(path), EditorError) << path;
        EXPECT_FALSE(editor.loaded()) << path;
    }
    disc.remove();
    EXPECT_THROW(editor.OpenFile("D:\\Track01.cda"), EditorError);
}

}  // namespace
