#include "PanelTestSupport.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CSysSettingDlg.h"
#include "ui/PanelLayout.h"
#include "ui/SettingDialogs.h"
#include "ui/SkinLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <filesystem>

using namespace vorlane;
using namespace vorlane::test;
using TD = CRivorAzururuFrame::ToolDialog;

namespace {

class SettingDialogsTest : public PanelTest {
protected:
    void install() {
        makePanel();
        SettingDialogs::Install(*panel, *capture, [this] { ++inputVolumeCalls; });
        panel->show();
    }
    CSysSettingDlg* settings() {
        return qobject_cast<CSysSettingDlg*>(panel->toolDialog(TD::SystemSetting));
    }
    int settingButtonImage() { return panel->button(panel::kSettingButton)->currentImage(); }

    int inputVolumeCalls = 0;
};

} // namespace

TEST_F(SettingDialogsTest, TheSettingButtonOpensTheDialogAndItsOkReachesThePanelAndCapture) {
    install();
    click(panel::kSettingButton);
    CSysSettingDlg* dialog = settings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->parentWidget(), panel.get());
    // Filled from the panel's settings, which say WAV.
    auto* format = qobject_cast<QComboBox*>(dialog->control(CSysSettingDlg::kFormat));
    EXPECT_EQ(format->currentIndex(), 0);
    format->setCurrentIndex(1);
    qobject_cast<QCheckBox*>(dialog->control(CSysSettingDlg::kSilenceRecording))->setChecked(true);
    qobject_cast<CRegionBmpBtn*>(dialog->control(CSysSettingDlg::kOk))->click();
    pump();

    EXPECT_EQ(config.RecordFileType, 1);
    EXPECT_EQ(capture->MonitorVolume(), -10000);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);
    EXPECT_EQ(inputVolumeCalls, 0);
}

TEST_F(SettingDialogsTest, AMissingBackgroundIsReportedAndOpensNothing) {
    std::filesystem::remove(folder / "Resource/Skin/BK10.bmp");
    install();
    click(panel::kSettingButton);
    EXPECT_EQ(settings(), nullptr);
    EXPECT_NE(panel->lastError().find("settings window"), std::string::npos);
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);
}
