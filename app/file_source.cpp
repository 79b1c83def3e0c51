// The audio source from a file: the open-file dialog and the load into the editor.

#include "editing_values.h"
#include "late_bound.h"
#include "main_window.h"
#include "program_values.h"

void frm_Main::ChooseAudioFile() {
    track(310);
    OpenAudioFile();
    m_FrameNumber = m_FrameNumber + 1;
}

void frm_Main::OpenAudioFile() {
    g_Looping = false;
    g_AudioFilePath.clear();
    g_AudioFileTitle.clear();

    CommonDialog1.FileName.clear();
    CommonDialog1.DialogTitle = "Select Audio File";
    CommonDialog1.CancelError = false;
    CommonDialog1.Filter = "Audio Files(*.wav, *.mp3, *.wma, *.cda, *.avi)|*.wav;*.mp3;*.wma;*.cda; *.avi|";
    whileOpen([this] { CommonDialog1.ShowOpen(); });
    g_AudioFilePath = CommonDialog1.FileName;
    g_AudioFileTitle = CommonDialog1.FileTitle;

    if (!g_AudioFilePath.empty()) {
        SetFrameChecked(4, "Find File");
        cmd_Prev.Visible(false);
        letEventsRun();
        try {
            ResetEditingControls();
            ApplyDisplaySettings();
            late_bound::Call(editor(), "OpenFile", {com::Variant::text(g_AudioFilePath)});
            g_SampleRate = late_bound::AsLong(late_bound::Get(late_bound::GetObject(editor(), "WaveInfo").get(),
                                                              "SampleRate"));
            AfterLoad();
        } catch (const forms::Error&) {
            tell(std::string("This file cannot be opened and may be copy protected.") + '\r' +
                     "Please try a different file.",
                 "Find File");
            forms::Err().Clear();
            try {
                editorCall("CloseFile");
            } catch (const forms::Error&) {
                forms::Err().Clear();
            }
            // Nothing is loaded any more: the transport must not act on the refused file.
            g_AudioFilePath.clear();
            MousePointer(forms::vbCustom);
            SetFrameChecked(3, "Find File");
            m_FrameNumber = m_FrameNumber - 1;
            pb_FromData.Enabled(true);
            cmd_FromData.Enabled(true);
            return;
        }
        EditorSetup();
    } else {
        m_FrameNumber = m_FrameNumber - 1;
    }
    pb_FromData.Enabled(true);
    cmd_FromData.Enabled(true);
}
