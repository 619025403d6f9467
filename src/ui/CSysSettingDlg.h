#pragma once

#include "ui/SkinnedDialog.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

namespace vorlane {

class ConfigManger;
class CRegionBmpBtn;

// The system settings: autorun, language, recording format and bit rate, the recordings
// folder, the silence threshold, the input volume and balance, and whether the monitoring
// output is silenced. A modeless skinned dialog that the panel makes once and then shows
// and hides; every show fills it again from the settings record. OK stores the choices and
// Cancel, Close and Escape store nothing; both hide the dialog and post
// msg::ToolDialogClosed (wParam 2) to the panel, and OK with another language also
// msg::LanguageChanged. The two sliders are stored and applied as soon as they are let go.
//
//     auto dialog = CSysSettingDlg::Create(config, services, panel);
//     if (dialog) dialog.release()->show(); // owned by the panel from here on
//
// Thread contract: GUI thread only.
class CSysSettingDlg : public SkinnedDialog {
    Q_OBJECT
public:
    // Control ids of the dialog template.
    enum ControlId {
        kClose = 1038,
        kAutoRun = 1039,
        kLanguageLabel = 1040,
        kLanguage = 1041,
        kFormatLabel = 1042,
        kFormat = 1043,
        kBitRate = 1044,
        kPathLabel = 1045,
        kPath = 1046,
        kBrowse = 1047,
        kOk = 1049,
        kCancel = 1050,
        kSilenceLevel = 1093,
        kSilenceLevelLabel = 1094,
        kBalance = 1096,
        kVolume = 1097,
        kVolumeLabel = 1098,
        kBalanceLabel = 1099,
        kSilenceRecording = 1100,
        kCutBeforeNextTrack = 1101,
    };
    // The command that Escape gives a dialog.
    static constexpr int kIdCancel = 2;

    // Asks for a folder, starting at `start`; an empty result means cancelled.
    using FolderBrowser = std::function<QString(QWidget* owner, const QString& start)>;
    // Tells the user why OK was refused.
    using ProblemReporter = std::function<void(const QString& title, const QString& text)>;

    struct Services {
        WindowHandle panel = 0; // gets msg::ToolDialogClosed and msg::LanguageChanged
        // Applies RecordVolume to the device's sound card.
        std::function<void()> setInputVolume;
        // Hundredths of a decibel for the monitoring output: -10000 silent, 0 full.
        std::function<void(int)> setMonitorVolume;
        // The program that the autostart entry runs.
        std::string programPath;
        FolderBrowser browseFolder;    // empty: the desktop's folder dialog
        ProblemReporter reportProblem; // empty: a message box over the dialog
    };

    // The folder name that a chosen folder gets appended.
    static constexpr const char* kRecordFolderName = "VorlaneLP Record Files";

    // Builds, skins and fills the dialog. Null when its background BK10.bmp cannot be
    // loaded from the skin folder; *error then says why.
    static std::unique_ptr<CSysSettingDlg> Create(ConfigManger& config, Services services,
                                                  QWidget* parent = nullptr,
                                                  QString* error = nullptr);
    ~CSysSettingDlg() override;

    // Reads autorun, language, format, bit rate, silence threshold, folder, the "Silence
    // Recording" box and all texts from the settings anew. The sliders keep their positions,
    // which were stored when they were let go. Runs on every show.
    void Fill();

    // `folder` with the recordings folder name appended, unless it already ends with it.
    static QString RecordFolderIn(const QString& folder);

protected:
    bool processMessage(const Message& m, intptr_t& result) override;
    void OnShown() override { Fill(); }

private:
    CSysSettingDlg(ConfigManger& config, Services services, QWidget* parent);
    bool Init(QString* error);
    void buildControls();
    void skinButtons();
    void applyTexts();
    void fillBitRates();
    void showLossless();

    void OnConfirm();
    void OnBrowse();
    void OnFormatChanged(int index);
    void OnVolumeChanged();
    void OnBalanceChanged();
    bool CheckRecordFolder(const std::string& folder);

    ConfigManger& config_;
    Services services_;
    QCheckBox* autoRun_ = nullptr;
    QComboBox* language_ = nullptr;
    QComboBox* format_ = nullptr;
    QComboBox* bitRate_ = nullptr;
    QLineEdit* path_ = nullptr;
    QComboBox* silenceLevel_ = nullptr;
    QSlider* volume_ = nullptr;
    QSlider* balance_ = nullptr;
    QCheckBox* silenceRecording_ = nullptr;
    QCheckBox* cutBeforeNextTrack_ = nullptr;
    CRegionBmpBtn* ok_ = nullptr;
    CRegionBmpBtn* cancel_ = nullptr;
    CRegionBmpBtn* browse_ = nullptr;
    CRegionBmpBtn* close_ = nullptr;
};

} // namespace vorlane
