#include "SettingDialogs.h"

#include "audio/CSoundCapture.h"
#include "platform/ProgramFolder.h"
#include "ui/CGenreerSettingDlg.h"
#include "ui/CRivorAzururuFrame.h"
#include "ui/CSysSettingDlg.h"

namespace vorlane {

void SettingDialogs::Install(CRivorAzururuFrame& panel, CSoundCapture& capture,
                             std::function<void()> setInputVolume) {
    panel.setToolDialogFactory(
        CRivorAzururuFrame::ToolDialog::SystemSetting,
        [&capture, setInputVolume](CRivorAzururuFrame& p) -> QWidget* {
            CSysSettingDlg::Services services;
            services.panel = p.handle();
            services.setInputVolume = setInputVolume;
            services.setMonitorVolume = [&capture](int volume) {
                capture.SetMonitorVolume(volume);
            };
            services.programPath = ProgramFolder::executablePath();
            QString error;
            auto dialog = CSysSettingDlg::Create(p.config(), std::move(services), &p, &error);
            return p.adoptToolDialog(std::move(dialog), "The settings window", error);
        });
    panel.setGenreChooser(
        [&panel](QWidget* owner) { return CGenreerSettingDlg::Choose(panel.config(), owner); });
}

} // namespace vorlane
