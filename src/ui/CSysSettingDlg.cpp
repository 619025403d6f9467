#include "CSysSettingDlg.h"

#include "config/ConfigManger.h"
#include "config/wAutoRun.h"
#include "platform/Messages.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/LanguageTexts.h"
#include "ui/RecordFolderCheck.h"
#include "ui/SkinLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSlider>
#include <array>
#include <utility>

namespace vorlane {

namespace {

// Where the controls sit on BK10.bmp, in client pixels: a header band with the title and
// the close button, then one card with a row for each setting and, at its foot, the OK and
// Cancel buttons.
using Place = ControlPlace;
constexpr Place kAutoRunPlace{24, 62, 316, 22};
constexpr Place kLanguageLabelPlace{24, 90, 112, 20};
constexpr Place kLanguagePlace{140, 88, 196, 24};
constexpr Place kFormatLabelPlace{24, 118, 112, 20};
constexpr Place kFormatPlace{140, 116, 92, 24};
constexpr Place kBitRatePlace{240, 116, 96, 24};
// The record path shares its row with its label, so that the silence options get a row
// more.
constexpr Place kPathLabelPlace{24, 146, 112, 20};
constexpr Place kPathPlace{140, 144, 156, 24};
constexpr Place kBrowsePlace{302, 146, 0, 0}; // sized by its strip
constexpr Place kSilenceLevelLabelPlace{24, 174, 200, 20};
constexpr Place kSilenceLevelPlace{228, 172, 64, 24};
constexpr Place kDbLabelPlace{298, 174, 38, 20};
constexpr Place kCutBeforeNextTrackPlace{24, 199, 312, 22};
constexpr Place kVolumeLabelPlace{24, 227, 112, 20};
constexpr Place kVolumePlace{140, 224, 196, 26};
constexpr Place kBalanceLabelPlace{24, 255, 112, 20};
constexpr Place kBalancePlace{140, 252, 196, 26};
// A row of its own above the buttons: its text is long in some languages.
constexpr Place kSilenceRecordingPlace{24, 281, 312, 22};

constexpr const char* kFormats[] = {"WAV", "MP3", "WMA", "FLAC"};
constexpr int kFlac = 3;
constexpr const char* kBitRates[] = {"32 kbps", "64 kbps", "128 kbps", "192 kbps", "320 kbps"};
constexpr const char* kSilenceLevels[] = {"-39", "-38", "-37", "-36", "-35",
                                          "-34", "-33", "-32", "-31", "-30"};
constexpr int kLanguageCount = 4;
constexpr int kMonitorSilent = -10000;
// The sliders' own background.
constexpr QRgb kSliderBackground = 0xFFF0F0F0;

// An index that a list of `count` entries can show; -1 (no selection) otherwise.
int listIndex(int value, int count) {
    return value >= 0 && value < count ? value : -1;
}

template <std::size_t N> void fillCombo(QComboBox* combo, const char* const (&entries)[N]) {
    combo->clear();
    for (const char* entry : entries)
        combo->addItem(QString::fromLatin1(entry));
}

} // namespace

std::unique_ptr<CSysSettingDlg> CSysSettingDlg::Create(ConfigManger& config, Services services,
                                                       QWidget* parent, QString* error) {
    std::unique_ptr<CSysSettingDlg> dialog(new CSysSettingDlg(config, std::move(services), parent));
    return dialog->Init(error) ? std::move(dialog) : nullptr;
}

CSysSettingDlg::CSysSettingDlg(ConfigManger& config, Services services, QWidget* parent)
    : SkinnedDialog(parent, skin::kToolBackground, Modality::Modeless), config_(config),
      services_(std::move(services)) {
    setClosedNotice(services_.panel, 2);
    buildControls();
}

CSysSettingDlg::~CSysSettingDlg() {
    MessageWindow::destroy();
}

bool CSysSettingDlg::Init(QString* error) {
    if (!openSkinned(config_.SkinFolder, "the settings window", error))
        return false;

    const std::array<QString, 4> titles = LanguageTexts::languageTitles();
    for (const QString& t : titles)
        language_->addItem(t);
    language_->setCurrentIndex(0);
    fillCombo(format_, kFormats);
    format_->setCurrentIndex(1);

    skinButtons();

    volume_->setRange(0, 100);
    volume_->setTickInterval(10);
    volume_->setValue(config_.RecordVolume.load());
    balance_->setRange(0, 100);
    balance_->setTickInterval(50);
    balance_->setValue(config_.RecordBalance.load());

    // Connected only now, so that setting the stored values above writes nothing.
    connect(format_, &QComboBox::currentIndexChanged, this, &CSysSettingDlg::OnFormatChanged);
    // A drag is taken when it is let go; keys, the wheel and clicks on the groove at once.
    connect(volume_, &QSlider::sliderReleased, this, &CSysSettingDlg::OnVolumeChanged);
    connect(volume_, &QSlider::valueChanged, this, [this] {
        if (!volume_->isSliderDown())
            OnVolumeChanged();
    });
    connect(balance_, &QSlider::sliderReleased, this, &CSysSettingDlg::OnBalanceChanged);
    connect(balance_, &QSlider::valueChanged, this, [this] {
        if (!balance_->isSliderDown())
            OnBalanceChanged();
    });

    Fill();
    return true;
}

void CSysSettingDlg::buildControls() {
    auto label = [this](int id, const char* text, const Place& p) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        place(l, p);
        if (id)
            controls_[id] = l;
        return l;
    };
    auto combo = [this](int id, const Place& p) { return addControl(id, new QComboBox(this), p); };
    auto slider = [this](int id, const Place& p) {
        auto* s = new QSlider(Qt::Horizontal, this);
        s->setTickPosition(QSlider::TicksBelow);
        s->setAutoFillBackground(true);
        QPalette pal = s->palette();
        pal.setColor(QPalette::Window, QColor::fromRgb(kSliderBackground));
        s->setPalette(pal);
        return addControl(id, s, p);
    };

    autoRun_ = addControl(kAutoRun, new QCheckBox(QStringLiteral("Run when Windows starts"), this),
                          kAutoRunPlace);
    label(kLanguageLabel, "Language", kLanguageLabelPlace);
    language_ = combo(kLanguage, kLanguagePlace);
    label(kFormatLabel, "RecordType", kFormatLabelPlace);
    format_ = combo(kFormat, kFormatPlace);
    bitRate_ = combo(kBitRate, kBitRatePlace);
    label(kPathLabel, "Record Path", kPathLabelPlace);
    path_ = addControl(kPath, new QLineEdit(this), kPathPlace);
    label(kSilenceLevelLabel, "Silence sound level: -40db ---", kSilenceLevelLabelPlace);
    silenceLevel_ = combo(kSilenceLevel, kSilenceLevelPlace);
    label(0, "db", kDbLabelPlace);
    cutBeforeNextTrack_ = addControl(
        kCutBeforeNextTrack, new QCheckBox(QStringLiteral("Cut before the next track"), this),
        kCutBeforeNextTrackPlace);
    label(kVolumeLabel, "Record Volume", kVolumeLabelPlace);
    volume_ = slider(kVolume, kVolumePlace);
    label(kBalanceLabel, "Balance", kBalanceLabelPlace);
    balance_ = slider(kBalance, kBalancePlace);
    silenceRecording_ =
        addControl(kSilenceRecording, new QCheckBox(QStringLiteral("Silence Recording"), this),
                   kSilenceRecordingPlace);

    ok_ = addButton(kOk, "OK");
    cancel_ = addButton(kCancel, "Cancel");
    browse_ = addButton(kBrowse, "Path");
    close_ = addButton(kClose, "Close");

    // Screen readers name each field by its label; Tab goes from the folder to its button.
    const std::pair<int, QWidget*> buddies[] = {
        {kLanguageLabel, language_},         {kFormatLabel, format_}, {kPathLabel, path_},
        {kSilenceLevelLabel, silenceLevel_}, {kVolumeLabel, volume_}, {kBalanceLabel, balance_}};
    for (const auto& [labelId, field] : buddies)
        static_cast<QLabel*>(controls_.at(labelId))->setBuddy(field);
    setTabOrder(path_, browse_);
}

void CSysSettingDlg::skinButtons() {
    skinButtonRow({ok_, cancel_});
    ok_->setCaption(QStringLiteral("OK"));
    cancel_->setCaption(QStringLiteral("Cancel"));
    skinButton(browse_, skin::kSmallButtonStrip, {kBrowsePlace.x, kBrowsePlace.y});
    browse_->setCaption(QStringLiteral("..."));
    skinCloseButton(close_);
    setDefaultButton(ok_);
}

void CSysSettingDlg::Fill() {
    autoRun_->setChecked(!wAutoRun::read().empty());
    language_->setCurrentIndex(listIndex(config_.LanguageID.load(), kLanguageCount));
    {
        // The bit rates follow below, from the stored values.
        const QSignalBlocker quiet(format_);
        format_->setCurrentIndex(listIndex(config_.RecordFileType.load(), format_->count()));
    }
    if (const int type = config_.RecordFileType.load(); type == kFlac) {
        showLossless();
    } else if (type != 0) {
        fillBitRates();
    } else {
        bitRate_->setEnabled(false);
        bitRate_->clear();
    }
    fillCombo(silenceLevel_, kSilenceLevels);
    silenceLevel_->setCurrentIndex(listIndex(config_.SilenceLevel.load(), silenceLevel_->count()));
    path_->setText(QString::fromStdString(config_.RecordFilePath));
    // What is stored, not a tick that a cancelled visit left.
    silenceRecording_->setChecked(config_.SilenceRecording.load() != 0);
    cutBeforeNextTrack_->setChecked(config_.CutBeforeNextTrack.load() != 0);
    applyTexts();
    autoRun_->setFocus();
}

void CSysSettingDlg::fillBitRates() {
    bitRate_->setEnabled(true);
    fillCombo(bitRate_, kBitRates);
    bitRate_->setCurrentIndex(listIndex(config_.RecordFileMP3BitRate.load(), bitRate_->count()));
}

// FLAC has no bit rate: the list says so instead, and is not stored.
void CSysSettingDlg::showLossless() {
    bitRate_->setEnabled(false);
    bitRate_->clear();
    bitRate_->addItem(
        LanguageTexts(config_, LanguageTexts::kWindowText).text("Lossless", "Lossless"));
    bitRate_->setCurrentIndex(0);
}

void CSysSettingDlg::applyTexts() {
    LanguageTexts texts(config_, LanguageTexts::kWindowText);
    close_->setToolTip(texts.text("Close ", "Close"));
    autoRun_->setText(texts.text("Run when Windows starts ", "Run when Windows starts"));
    auto setLabel = [this](int id, const QString& text) {
        static_cast<QLabel*>(controls_.at(id))->setText(text);
    };
    setLabel(kLanguageLabel, texts.text("Language ", "Language"));
    setLabel(kFormatLabel, texts.text("Record Type ", "Record Type"));
    setLabel(kPathLabel, texts.text("Record Path ", "Record Path"));
    ok_->setCaption(texts.text("OK ", "OK"));
    cancel_->setCaption(texts.text("Cancel ", "Cancel"));
    setLabel(kSilenceLevelLabel,
             texts.text("Silence sound level: -40db ---", "Silence sound level: -40db ---"));
    setLabel(kVolumeLabel, texts.text("Record Volume", "Record Volume"));
    setLabel(kBalanceLabel, texts.text("Record Balance", "Record Balance"));
    silenceRecording_->setText(texts.text("Silence Recording", "Silence Recording"));
    cutBeforeNextTrack_->setText(
        texts.text("Cut before the next track", "Cut before the next track"));
    // The two controls without a label of their own. A list is read by its choice, so the
    // description says what it chooses.
    const QString bitRate = texts.text("Bit Rate ", "Bit Rate");
    bitRate_->setAccessibleName(bitRate);
    bitRate_->setAccessibleDescription(bitRate);
    browse_->setAccessibleLabel(texts.text("Choose Folder ", "Choose Folder"));
    if (format_->currentIndex() == kFlac)
        showLossless();
    title_ = texts.text("Options ", "Options");
    update();
}

QString CSysSettingDlg::RecordFolderIn(const QString& folder) {
    const QString name = QString::fromLatin1(kRecordFolderName);
    QString base = folder;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    // A recordings folder chosen again is kept, not nested in itself.
    if (base.section(QLatin1Char('/'), -1) == name)
        return base;
    return base.endsWith(QLatin1Char('/')) ? base + name : base + QLatin1Char('/') + name;
}

bool CSysSettingDlg::processMessage(const Message& m, intptr_t& result) {
    if (m.msg != msg::Command)
        return false;
    switch (m.wParam) {
    case kOk:
        OnConfirm();
        break;
    case kCancel:
    case kClose:
    case kIdCancel:
        OnClose();
        break;
    case kBrowse:
        OnBrowse();
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

void CSysSettingDlg::OnFormatChanged(int index) {
    if (index == 1 || index == 2) {
        fillBitRates();
    } else if (index == kFlac) {
        showLossless();
    } else {
        bitRate_->setEnabled(false);
        bitRate_->clear();
    }
}

void CSysSettingDlg::OnVolumeChanged() {
    const int value = volume_->value();
    config_.RecordVolume = value;
    ConfigManger::WriteSetting("Option", "Record Volume", value);
    if (services_.setInputVolume)
        services_.setInputVolume();
}

void CSysSettingDlg::OnBalanceChanged() {
    const int value = balance_->value();
    config_.RecordBalance = value;
    ConfigManger::WriteSetting("Option", "Record Balance", value);
}

void CSysSettingDlg::OnBrowse() {
    QWidget* owner = QApplication::activeWindow();
    if (!owner)
        owner = this;
    const QString start = path_->text();
    const QString chosen =
        services_.browseFolder
            ? services_.browseFolder(owner, start)
            : QFileDialog::getExistingDirectory(owner, QString(), start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return;
    path_->setText(RecordFolderIn(chosen));
}

bool CSysSettingDlg::CheckRecordFolder(const std::string& folder) {
    const RecordFolderCheck::Result check = RecordFolderCheck::Check(folder);
    if (check.ok())
        return true;
    const LanguageTexts texts(config_, LanguageTexts::kMessage);
    const QString text =
        texts.text("Record folder unusable ",
                   "The recordings cannot be saved in this folder. Please choose another one.") +
        QStringLiteral("\n\n") + QString::fromStdString(folder) + QLatin1Char('\n') +
        QString::fromStdString(RecordFolderCheck::Describe(check));
    if (services_.reportProblem)
        services_.reportProblem(title_, text);
    else
        QMessageBox::warning(this, title_, text);
    path_->setFocus();
    path_->selectAll();
    return false;
}

void CSysSettingDlg::OnConfirm() {
    // The folder first: a refused folder stores nothing, and the dialog stays open.
    const std::string folder = path_->text().toStdString();
    if (folder != config_.RecordFilePath && !CheckRecordFolder(folder))
        return;

    if (autoRun_->isChecked())
        wAutoRun::write(services_.programPath);
    else
        wAutoRun::remove();

    const int language = language_->currentIndex();
    if (language >= 0 && language != config_.LanguageID.load()) {
        config_.SetLanguageID(language);
        MessageWindow::PostTo(services_.panel, msg::LanguageChanged, 0, 0);
    }

    // An empty list keeps its stored value rather than storing "no selection".
    if (const int type = format_->currentIndex(); type >= 0) {
        config_.RecordFileType = type;
        ConfigManger::WriteSetting("Option", "RecordFileType", type);
    }
    const int type = config_.RecordFileType.load();
    if (const int rate = bitRate_->currentIndex(); (type == 1 || type == 2) && rate >= 0) {
        config_.RecordFileMP3BitRate = rate;
        ConfigManger::WriteSetting("Option", "RecordFileMP3BitRate", rate);
    }
    if (const int level = silenceLevel_->currentIndex(); level >= 0) {
        config_.SilenceLevel = level;
        ConfigManger::WriteSetting("Option", "Silence Level", level);
    }
    config_.RecordFilePath = folder;
    ConfigManger::WriteSetting("Option", "RecordFilePath", folder);
    const int silence = silenceRecording_->isChecked() ? 1 : 0;
    config_.SilenceRecording = silence;
    ConfigManger::WriteSetting("Option", "Silence Recording", silence);
    const int cutBefore = cutBeforeNextTrack_->isChecked() ? 1 : 0;
    config_.CutBeforeNextTrack = cutBefore;
    ConfigManger::WriteSetting("Option", "CutBeforeNextTrack", cutBefore);

    if (services_.setMonitorVolume)
        services_.setMonitorVolume(silence ? kMonitorSilent : 0);

    hide();
    MessageWindow::PostTo(services_.panel, msg::ToolDialogClosed, 2, 0);
}

} // namespace vorlane
