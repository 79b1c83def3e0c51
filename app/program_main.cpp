#include "forms/forms.h"
#include "main_window.h"
#include "messages.h"
#include "program_env.h"
#include "shared_procedures.h"
#include "startup.h"
#include "test_tone_msg.h"

int main() {
    forms::App().Title = kApplicationTitle;
    forms::App().Major = 1;
    forms::App().Minor = 0;
    forms::App().Revision = 0;
    SetMessagePresenter(ShowMessageWindow);
    SetOfflineNoticePresenter(ShowOfflineNotice);
    SetMainWindowOpener([] {
        auto& main = forms::Default<frm_Main>();
        if (main.SkinLoaded())
            main.Show();
        else
            UnloadAllForms();
    });
    SetUnloadAllForms(UnloadAllForms);
    Main();
    forms::Run();
    return 0;
}
