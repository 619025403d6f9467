#include "PanelTestSupport.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CSysSettingDlg.h"
#include "ui/PanelLayout.h"
#include "ui/QtTranslation.h"
#include "ui/SettingDialogs.h"
#include "ui/SkinLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
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

// Qt's own buttons speak the chosen language through Qt's translations: at start, and
// after each change of language in the settings, also in a box that is already open.
TEST_F(SettingDialogsTest, QtsOwnButtonsFollowTheLanguageChosenInTheSettings) {
    const QString qtFolder = QtTranslation::Folder();
    if (!QFileInfo::exists(qtFolder + "/qtbase_ja.qm"))
        GTEST_SKIP() << "Qt's Japanese translation is not installed: no " << qtFolder.toStdString()
                     << "/qtbase_ja.qm (Debian package qt6-translations-l10n)";
    // What Qt's own file says, read apart from the program.
    auto cancelIn = [&](const char* file) {
        QTranslator reference;
        if (!reference.load(file, qtFolder))
            return QString("Cancel");
        const QString text = reference.translate("QPlatformTheme", "Cancel");
        return text.isEmpty() ? QString("Cancel") : text;
    };
    const QString japanese = cancelIn("qtbase_ja");
    ASSERT_NE(japanese.toStdString(), "Cancel");

    // Japanese stored, applied as the program does once the settings are loaded.
    config.SetLanguageID(2);
    EXPECT_TRUE(QtTranslation::Apply(config));
    install();
    QDialogButtonBox open(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(open.button(QDialogButtonBox::Cancel)->text().toStdString(), japanese.toStdString());

    auto choose = [&](int language) {
        click(panel::kSettingButton);
        CSysSettingDlg* dialog = settings();
        ASSERT_NE(dialog, nullptr);
        qobject_cast<QComboBox*>(dialog->control(CSysSettingDlg::kLanguage))
            ->setCurrentIndex(language);
        qobject_cast<CRegionBmpBtn*>(dialog->control(CSysSettingDlg::kOk))->click();
        pump();
        ASSERT_EQ(config.LanguageID, language);
    };
    const std::pair<int, QString> steps[] = {{3, QString("Cancel")},
                                             {2, japanese},
                                             {0, cancelIn("qtbase_zh_CN")},
                                             {3, QString("Cancel")}};
    for (const auto& [language, cancel] : steps) {
        SCOPED_TRACE(language);
        choose(language);
        EXPECT_EQ(open.button(QDialogButtonBox::Cancel)->text().toStdString(),
                  cancel.toStdString());
        QMessageBox message(QMessageBox::Question, "Vorlane", "?", QMessageBox::Cancel);
        EXPECT_EQ(message.button(QMessageBox::Cancel)->text().toStdString(), cancel.toStdString());
    }
}
