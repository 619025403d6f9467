#include "ui/CRivorAzururuFrame.h"

#include "audio/CSoundCapture.h"
#include "config/ConfigManger.h"
#include "platform/Messages.h"
#include "platform/ProgramFolder.h"
#include "ui/CAboutDlg.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/DesktopNotifier.h"
#include "ui/LanguageTexts.h"
#include "ui/MeterPainter.h"
#include "ui/ModalBox.h"
#include "ui/PanelLayout.h"
#include "ui/PanelNotices.h"
#include "ui/PanelValues.h"
#include "ui/QtTranslation.h"
#include "ui/SkinFont.h"
#include "ui/wTrayIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <cstdio>

namespace vorlane {

namespace {

constexpr int kRecordNoMax = 1000;
constexpr int kRecordTrackMax = 100;
constexpr int kSilentMonitor = -10000;
// Long enough for a closed box's event loop to have returned.
constexpr int kModalUnwindMs = 50;
const QTime kDefaultDivideTime(0, 10, 0);
constexpr const char* kOption = "Option";
constexpr const char* kId3Section = "ID3V1Information";

QString str(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The keys of the record and tool buttons. None is a text field's editing key (Ctrl+D, E, K
// and U are on X11), so they work while a field has the focus.
struct ButtonKey {
    int id;
    QKeyCombination key;
};
constexpr ButtonKey kButtonKeys[] = {
    {panel::kRecordStart, Qt::CTRL | Qt::Key_R},
    {panel::kRecordStop, Qt::CTRL | Qt::Key_T},
    {panel::kRecordDivide, Qt::CTRL | Qt::Key_N},
    {panel::kRecordPause, Qt::CTRL | Qt::Key_P},
    {panel::kPlayFileButton, Qt::CTRL | Qt::Key_B},
    {panel::kSettingButton, Qt::CTRL | Qt::Key_Comma},
};

// Tab goes through the tags in reading order, then the buttons, the numbers and the
// division, and last the window's own buttons.
constexpr int kTabOrder[] = {
    panel::kTitleEdit,      panel::kArtistEdit,       panel::kAlbumEdit,
    panel::kYearEdit,       panel::kCommentEdit,      panel::kGenreButton,
    panel::kRecordStart,    panel::kRecordStop,       panel::kRecordDivide,
    panel::kRecordPause,    panel::kTaskButton,       panel::kPlayFileButton,
    panel::kSettingButton,  panel::kRecordNoEdit,     panel::kRecordTrackEdit,
    panel::kDivideTypeList, panel::kDivideTimePicker, panel::kMinimizeButton,
    panel::kCloseButton,
};

// Each field and the label that names it.
struct LabelOf {
    int label, field;
};
constexpr LabelOf kLabels[] = {
    {panel::kRecordNoLabel, panel::kRecordNoEdit},
    {panel::kRecordTrackLabel, panel::kRecordTrackEdit},
    {panel::kDivideTypeLabel, panel::kDivideTypeList},
    {panel::kDivideTimeLabel, panel::kDivideTimePicker},
    {panel::kTitleLabel, panel::kTitleEdit},
    {panel::kArtistLabel, panel::kArtistEdit},
    {panel::kAlbumLabel, panel::kAlbumEdit},
    {panel::kYearLabel, panel::kYearEdit},
    {panel::kCommentLabel, panel::kCommentEdit},
};

QRect toQRect(const skin::Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

Qt::Alignment alignment(panel::Align a) {
    const Qt::Alignment h = a == panel::Align::Centre  ? Qt::AlignHCenter
                            : a == panel::Align::Right ? Qt::AlignRight
                                                       : Qt::AlignLeft;
    return h | Qt::AlignVCenter;
}

QTime timeOfDay(int seconds) {
    const PanelValues::TimeOfDay t = PanelValues::TimeOfDayFromSeconds(seconds);
    return QTime(t.hour, t.minute, t.second);
}

// Sets a widget's value without its change signal: the panel's own settings of its fields
// are not user edits.
template <class W, class F> void quietly(W* widget, F&& set) {
    const bool blocked = widget->blockSignals(true);
    set();
    widget->blockSignals(blocked);
}

} // namespace

CRivorAzururuFrame::CRivorAzururuFrame(ConfigManger& config, CSoundCapture& capture,
                                       RecordingServices services, std::function<void()> onExit)
    : QDialog(nullptr), config_(config), capture_(capture), onExit_(std::move(onExit)) {
    // The program's main window, with its own task bar entry, not a dialog of another.
    setWindowFlags(Qt::Window);
    setFont(SkinFont::templateFont());
    resize(panel::kBackground.width, panel::kBackground.height);
    const QString icon =
        QString::fromStdString(ProgramFolder::path()) + "/Resource/" + str(skin::kProgramIcon);
    setWindowIcon(QIcon(icon));
    MessageWindow::create();
    tray_ = std::make_unique<wTrayIcon>(config_, handle());
    controller_ =
        std::make_unique<RecordingController>(*this, config_, capture_, std::move(services));
    tools_[0].buttonId = panel::kTaskButton;
    tools_[1].buttonId = panel::kPlayFileButton;
    tools_[2].buttonId = panel::kSettingButton;
    buildControls();
    // Where the file name shows while recording.
    notices_ = std::make_unique<PanelNotices>(*this, config_, fileName_->geometry());
    notifier_ = std::make_unique<DesktopNotifier>(config_, [this] { return outOfSight(); });
    setWindowTitle(QString::fromStdString(config_.SoftWareText));
    setUpControls();
    refreshTray();
}

CRivorAzururuFrame::~CRivorAzururuFrame() {
    // No message or timer may reach a half-destroyed panel.
    MessageWindow::destroy();
    removeTrayIcon();
}

bool CRivorAzururuFrame::applyPanelSkin() {
    const QString file =
        QString::fromStdString(ConfigManger::JoinPath(config_.SkinFolder, panel::kBackground.file));
    if (!applySkin(file, true)) {
        std::fprintf(stderr, "Vorlane: %s\n",
                     dialogSkin() ? dialogSkin()->lastError().toLocal8Bit().constData()
                                  : "the panel's skin could not be applied");
        return false;
    }
    return true;
}

bool CRivorAzururuFrame::showTrayIcon() {
    const bool added = tray_->add(windowIcon(), windowTitle());
    refreshTray();
    return added;
}

void CRivorAzururuFrame::removeTrayIcon() {
    if (tray_)
        tray_->remove();
}

QWidget* CRivorAzururuFrame::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

CRegionBmpBtn* CRivorAzururuFrame::button(int id) const {
    auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

void CRivorAzururuFrame::registerControl(int id, QWidget* widget) {
    widget->setObjectName(QString::number(id));
    controls_[id] = widget;
}

void CRivorAzururuFrame::buildControls() {
    for (const panel::Control& c : panel::kControls) {
        const QRect r = toQRect(c.rect);
        QWidget* w = nullptr;
        switch (c.kind) {
        case panel::Kind::Button: {
            auto* b = new CRegionBmpBtn(this, c.id);
            b->setText(str(c.text)); // shown only when its strip is missing
            buttons_[c.id] = b;
            w = b;
            break;
        }
        case panel::Kind::Static: {
            auto* label = new QLabel(str(c.text), this);
            label->setAlignment(alignment(c.align));
            // A styled frame like the edits beside it; a plain sunken panel's light sides
            // vanish on the light card.
            if (c.id == panel::kGenreName)
                label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
            w = label;
            break;
        }
        case panel::Kind::Edit: {
            auto* edit = new QLineEdit(this);
            if (c.id == panel::kRecordNoEdit || c.id == panel::kRecordTrackEdit ||
                c.id == panel::kYearEdit) {
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), edit));
            }
            if (c.id == panel::kRecordNoEdit || c.id == panel::kRecordTrackEdit) {
                edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                connect(edit, &QLineEdit::textChanged, this,
                        [this, id = c.id] { onNumberEdited(id); });
            } else {
                connect(edit, &QLineEdit::textChanged, this,
                        [this, id = c.id] { onTagEdited(id); });
            }
            if (c.id == panel::kYearEdit)
                edit->setMaxLength(int(ConfigManger::kYearChars));
            // The arrow keys step the number, as the arrows beside it do.
            if (c.id == panel::kRecordNoEdit || c.id == panel::kRecordTrackEdit)
                edit->installEventFilter(this);
            w = edit;
            break;
        }
        case panel::Kind::UpDown: {
            // Only the arrows show: the number lives in the edit beside it.
            auto* spin = new QSpinBox(this);
            spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
            if (auto* inner = spin->findChild<QLineEdit*>())
                inner->hide();
            // Its number field takes the keys instead.
            spin->setFocusPolicy(Qt::NoFocus);
            const bool isRecordNo = c.id == panel::kRecordNoSpin;
            spin->setRange(0, isRecordNo ? kRecordNoMax : kRecordTrackMax);
            const int buddy = isRecordNo ? panel::kRecordNoEdit : panel::kRecordTrackEdit;
            // Each step writes the edit, which stores the number.
            connect(spin, &QSpinBox::valueChanged, this, [this, buddy](int value) {
                static_cast<QLineEdit*>(control(buddy))->setText(QString::number(value));
            });
            w = spin;
            break;
        }
        case panel::Kind::DropDown: {
            auto* combo = new QComboBox(this);
            // Only the user's choices count, not the panel filling the list.
            connect(combo, &QComboBox::activated, this, &CRivorAzururuFrame::onDivideTypeChanged);
            w = combo;
            break;
        }
        case panel::Kind::TimePicker: {
            auto* time = new QTimeEdit(kDefaultDivideTime, this);
            time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
            connect(time, &QTimeEdit::timeChanged, this, &CRivorAzururuFrame::onDivideTimeChanged);
            w = time;
            break;
        }
        }
        w->setGeometry(r);
        if (c.id != panel::kNoId)
            registerControl(c.id, w);
    }
    recordNoEdit_ = static_cast<QLineEdit*>(control(panel::kRecordNoEdit));
    recordNoSpin_ = static_cast<QSpinBox*>(control(panel::kRecordNoSpin));
    recordTrackEdit_ = static_cast<QLineEdit*>(control(panel::kRecordTrackEdit));
    recordTrackSpin_ = static_cast<QSpinBox*>(control(panel::kRecordTrackSpin));
    divideType_ = static_cast<QComboBox*>(control(panel::kDivideTypeList));
    divideTimeLabel_ = static_cast<QLabel*>(control(panel::kDivideTimeLabel));
    divideTime_ = static_cast<QTimeEdit*>(control(panel::kDivideTimePicker));
    genreName_ = static_cast<QLabel*>(control(panel::kGenreName));
    fileName_ = static_cast<QLabel*>(control(panel::kFileNameLabel));
    recordTime_ = static_cast<QLabel*>(control(panel::kRecordTimeLabel));

    // Screen readers name each field by its label, in every language.
    for (const LabelOf& l : kLabels)
        static_cast<QLabel*>(control(l.label))->setBuddy(control(l.field));
    for (size_t i = 1; i < std::size(kTabOrder); ++i)
        setTabOrder(control(kTabOrder[i - 1]), control(kTabOrder[i]));
    for (const ButtonKey& k : kButtonKeys)
        button(k.id)->setShortcutKey(QKeySequence(k.key));
}

void CRivorAzururuFrame::skinButtons() {
    for (const panel::Control& c : panel::kControls) {
        if (c.kind != panel::Kind::Button)
            continue;
        CRegionBmpBtn* b = button(c.id);
        const QString strip =
            QString::fromStdString(ConfigManger::JoinPath(config_.SkinFolder, c.skin));
        // A missing strip leaves an ordinary push button at the template's place.
        if (!b->setSkin(strip, c.imageWidth))
            std::fprintf(stderr, "Vorlane: the button skin %s could not be loaded\n",
                         strip.toLocal8Bit().constData());
        const bool tool = c.id == panel::kTaskButton || c.id == panel::kPlayFileButton ||
                          c.id == panel::kSettingButton;
        b->setImages(skin::kImageNormal, skin::kImagePushed, skin::kImageHover,
                     tool ? skin::kImageDisabled : -1);
    }
}

void CRivorAzururuFrame::setUpControls() {
    ++settingFields_;
    // The numbers show exactly as stored; the spinners stop at their range.
    quietly(recordNoSpin_, [&] { recordNoSpin_->setValue(config_.RecordNo); });
    quietly(recordTrackSpin_, [&] { recordTrackSpin_->setValue(config_.RecordTrack); });
    recordNoEdit_->setText(QString::number(config_.RecordNo));
    recordTrackEdit_->setText(QString::number(config_.RecordTrack));
    divideTime_->setTime(kDefaultDivideTime);

    skinButtons();
    button(panel::kRecordStart)->setEnabled(true);
    button(panel::kRecordStop)->setEnabled(false);
    button(panel::kRecordDivide)->setEnabled(false);
    button(panel::kRecordPause)->setEnabled(false);
    button(panel::kGenreButton)->setCaption(QStringLiteral("..."));

    static_cast<QLineEdit*>(control(panel::kTitleEdit))
        ->setText(QString::fromStdString(config_.MP3Title));
    static_cast<QLineEdit*>(control(panel::kArtistEdit))
        ->setText(QString::fromStdString(config_.MP3Artist));
    static_cast<QLineEdit*>(control(panel::kAlbumEdit))
        ->setText(QString::fromStdString(config_.MP3Album));
    static_cast<QLineEdit*>(control(panel::kYearEdit))
        ->setText(QString::fromStdString(config_.MP3Year));
    static_cast<QLineEdit*>(control(panel::kCommentEdit))
        ->setText(QString::fromStdString(config_.MP3Comment));

    showDivideTime();
    fileName_->hide();
    recordTime_->hide();
    --settingFields_;
    fieldsReady_ = true;
    applyTexts();
}

void CRivorAzururuFrame::applyTexts() {
    const LanguageTexts texts(config_, LanguageTexts::kWindowText);
    struct IdText {
        int id;
        std::string_view key, def;
    };
    const IdText tips[] = {{panel::kCloseButton, "Close ", "Close"},
                           {panel::kMinimizeButton, "Minimize ", "Minimize"},
                           {panel::kRecordStart, "Record ", "Record"},
                           {panel::kRecordStop, "Stop ", "Stop"},
                           {panel::kRecordDivide, "Divide ", "Divide"},
                           {panel::kRecordPause, "Pause ", "Pause"},
                           {panel::kTaskButton, "TaskSet ", "Task"},
                           {panel::kPlayFileButton, "PlayFile ", "Music Play"},
                           {panel::kSettingButton, "SystemSet ", "Setting"}};
    for (const auto& t : tips)
        button(t.id)->setToolTip(texts.text(t.key, t.def));

    const IdText labels[] = {{panel::kRecordNoLabel, "RecordNo ", "Record No."},
                             {panel::kRecordTrackLabel, "RecordTrack ", "Record Track"},
                             {panel::kDivideTypeLabel, "DivideRecordType ", "DivideRecord Type"},
                             {panel::kTitleLabel, "Title ", "Title"},
                             {panel::kArtistLabel, "Artist ", "Artist"},
                             {panel::kAlbumLabel, "Album ", "Album"},
                             {panel::kYearLabel, "Year ", "Year"},
                             {panel::kCommentLabel, "Comment ", "Comment"},
                             {panel::kGenreLabel, "Genre ", "Genre"}};
    for (const auto& l : labels)
        static_cast<QLabel*>(control(l.id))->setText(texts.text(l.key, l.def));
    applyDivideTimeLabel();
    // The arrows carry the name of the number they step; the genre button ("...") that of
    // the genre.
    recordNoSpin_->setAccessibleName(static_cast<QLabel*>(control(panel::kRecordNoLabel))->text());
    recordTrackSpin_->setAccessibleName(
        static_cast<QLabel*>(control(panel::kRecordTrackLabel))->text());
    button(panel::kGenreButton)
        ->setAccessibleLabel(static_cast<QLabel*>(control(panel::kGenreLabel))->text());

    ++settingFields_;
    divideType_->clear();
    divideType_->addItem(texts.text("Close Auto Divide Record ", "Close Auto Divide Record"));
    divideType_->addItem(
        texts.text("Auto Divide Record with Time ", "Auto Divide Record with Time"));
    divideType_->addItem(
        texts.text("Auto Divide Record with mute ", "Auto Divide Record with mute"));
    divideType_->setCurrentIndex(
        config_.RecordDiviType < divideType_->count() ? int(config_.RecordDiviType) : -1);
    --settingFields_;

    notices_->applyTexts();
    showGenreName();
    update();
    // Once per language: texts that no font can draw would be boxes without a word.
    if (const std::optional<QString> note = fontCheck_.noteFor(config_, font()))
        reportError(note->toStdString());
}

void CRivorAzururuFrame::applyDivideTimeLabel() {
    const LanguageTexts texts(config_, LanguageTexts::kWindowText);
    divideTimeLabel_->setText(config_.RecordDiviType == 2
                                  ? texts.text("DivedeMuteTime ", "Divede Mute Time")
                                  : texts.text("DivedeTime ", "Divede Time"));
}

void CRivorAzururuFrame::showDivideTime() {
    const int type = config_.RecordDiviType;
    if (type != 1 && type != 2) {
        divideTimeLabel_->hide();
        divideTime_->hide();
        return;
    }
    const int seconds = type == 1 ? config_.RecordDiviSecondTime : config_.RecordMuteSecond;
    ++settingFields_;
    divideTime_->setTime(timeOfDay(seconds));
    --settingFields_;
    divideTimeLabel_->show();
    divideTime_->show();
}

void CRivorAzururuFrame::showGenreName() {
    // A few of the 148 names are longer than the field: those end in "…", and the tool tip
    // has the whole name.
    const QString name = QString::fromStdString(ConfigManger::GenreName(config_.MP3Genre));
    const QFontMetrics fm = genreName_->fontMetrics();
    const int indent =
        genreName_->frameWidth() > 0 ? fm.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    const int room = genreName_->contentsRect().width() - 2 * genreName_->margin() - indent;
    genreName_->setText(fm.elidedText(name, Qt::ElideRight, room));
    genreName_->setToolTip(name);
    button(panel::kGenreButton)->setAccessibleDescription(name);
}

// --- Messages and commands -------------------------------------------------------------

bool CRivorAzururuFrame::processMessage(const Message& m, intptr_t& result) {
    result = 0;
    // Qt's own buttons and dialogs change language before any of them is shown again.
    if (m.msg == msg::LanguageChanged)
        QtTranslation::Apply(config_);
    if (processLanguageMessage(m, result)) {
        refreshTray();
        return true;
    }
    switch (m.msg) {
    case msg::Command:
        onCommand(uint32_t(m.wParam & 0xFFFF));
        return true;
    case msg::Close:
        onExitCommand();
        return true;
    case msg::Timer:
        if (m.wParam != timer::RecordingClock)
            return false;
        controller_->OnClockTick();
        return true;
    case msg::DeviceReady:
        controller_->OnDeviceReady(int(m.wParam));
        return true;
    case msg::DeviceGone:
        controller_->OnDeviceGone();
        return true;
    case msg::ToolDialogClosed:
        onToolDialogClosed(m.wParam);
        return true;
    case msg::ScheduledRecording:
        if (m.wParam == 0)
            controller_->OnScheduledStart(m.text ? *m.text : std::string());
        else if (m.wParam == 1)
            controller_->OnScheduledStop();
        return true;
    case msg::BlockCaptured:
        onBlockCaptured();
        return true;
    case msg::MonitorMute:
        onMonitorMute(m.wParam == 1);
        return true;
    case msg::DeviceNotAccessible:
        onDeviceNotAccessible(m.text ? *m.text : std::string());
        return true;
    default:
        return false;
    }
}

void CRivorAzururuFrame::onCommand(uint32_t id) {
    switch (id) {
    case cmd::RecordStart:
        onRecordStart();
        break;
    case cmd::RecordStop:
        controller_->OnRecStop();
        break;
    case cmd::RecordDivide:
        controller_->OnRecDivi();
        break;
    case cmd::RecordPause:
        controller_->OnRecPause();
        break;
    case cmd::Exit:
    case cmd::MenuExit:
        onExitCommand();
        break;
    case cmd::ShowPanel:
        if (schedulerMode_ && scheduler_.leave) {
            scheduler_.leave();
            shownForTask_ = false; // the user asked for the panel
        }
        onShowPanel();
        break;
    case cmd::EnterScheduler:
        if (scheduler_.enter)
            scheduler_.enter();
        break;
    case cmd::ShowTaskList:
        showToolDialog(ToolDialog::TaskList);
        break;
    case cmd::About:
        onAbout();
        break;
    case panel::kMinimizeButton:
        onMinimize();
        break;
    case panel::kCloseButton:
        post(msg::Command, cmd::Exit);
        break;
    case panel::kTaskButton:
        onTaskListButton();
        break;
    case panel::kPlayFileButton:
        onPlayFileButton();
        break;
    case panel::kSettingButton:
        onSystemSettingButton();
        break;
    case panel::kGenreButton:
        onGenreButton();
        break;
    default:
        break;
    }
}

void CRivorAzururuFrame::onExitCommand() {
    // The shutdown destroys the panel: never while a modal box of the panel still runs its
    // loop on the stack. Close the box; the exit follows when its loop has returned.
    if (modalDepth_ > 0) {
        exitAfterModal_ = true;
        ModalBox::CloseActive();
        return;
    }
    // A box that another window opened (a dialog's message box) runs its loop on the stack
    // as well: close it and ask again once its loop has returned.
    if (ModalBox::CloseActive()) {
        QTimer::singleShot(kModalUnwindMs, this, [this] { post(msg::Command, cmd::Exit); });
        return;
    }
    if (onExit_)
        onExit_();
}

void CRivorAzururuFrame::onDeviceNotAccessible(const std::string& node) {
    notices_->tellDeviceNotAccessible(node);
}

void CRivorAzururuFrame::onRecordStart() {
    shownForTask_ = false;
    // Without a device the press would do nothing at all; the user learns why.
    if (!controller_->DevicePresent() && !controller_->Recording()) {
        notices_->tellRecordNeedsDevice();
        return;
    }
    controller_->OnRecStart();
}

void CRivorAzururuFrame::onShowPanel() {
    // A panel that is minimised, or that a platform without un-minimising (Wayland) may
    // still keep minimised, is mapped anew: that brings it back everywhere.
    if (isVisible() && (isMinimized() || minimizedToTaskBar_))
        hide();
    minimizedToTaskBar_ = false;
    showNormal();
    raise();
    activateWindow();
}

void CRivorAzururuFrame::onAbout() {
    QWidget* owner = QApplication::activeWindow();
    CAboutDlg about(config_, owner ? owner : this);
    runModal([&] { about.exec(); });
}

void CRivorAzururuFrame::onMinimize() {
    for (ToolSlot& slot : tools_)
        if (slot.dialog)
            slot.dialog->hide();
    for (int i = 0; i < int(tools_.size()); ++i)
        resetToolButton(ToolDialog(i));
    // Without a tray the panel could not be found again once hidden: it goes to the task
    // bar instead.
    if (tray_->shown()) {
        hide();
        if (scheduler_.hiddenToTray)
            scheduler_.hiddenToTray();
    } else {
        minimizedToTaskBar_ = true;
        showMinimized();
    }
}

void CRivorAzururuFrame::onTaskListButton() {
    toggleToolDialog(ToolDialog::TaskList);
}

void CRivorAzururuFrame::onPlayFileButton() {
    toggleToolDialog(ToolDialog::PlayFile);
}

void CRivorAzururuFrame::onSystemSettingButton() {
    toggleToolDialog(ToolDialog::SystemSetting);
}

void CRivorAzururuFrame::onGenreButton() {
    if (!genreChooser_)
        return;
    QWidget* owner = QApplication::activeWindow();
    std::optional<std::string> chosen;
    runModal([&] { chosen = genreChooser_(owner ? owner : this); });
    if (!chosen)
        return;
    config_.MP3Genre = ConfigManger::GenreNumber(*chosen);
    showGenreName();
}

void CRivorAzururuFrame::runModal(const std::function<void()>& run) {
    ++modalDepth_;
    run();
    --modalDepth_;
    if (modalDepth_ == 0 && exitAfterModal_) {
        exitAfterModal_ = false;
        // Posted: the exit must not run inside the handler that opened the box either.
        post(msg::Command, cmd::Exit);
    }
}

void CRivorAzururuFrame::setToolDialogFactory(ToolDialog which, ToolDialogFactory factory) {
    tools_[size_t(which)].factory = std::move(factory);
}

QWidget* CRivorAzururuFrame::toolDialog(ToolDialog which) const {
    return tools_[size_t(which)].dialog;
}

QWidget* CRivorAzururuFrame::adoptToolDialog(std::unique_ptr<QWidget> dialog,
                                             const std::string& window, const QString& error) {
    if (!dialog) {
        // The button would otherwise do nothing without a word.
        reportError(window + " cannot be shown: " + error.toStdString());
        return nullptr;
    }
    return dialog.release();
}

void CRivorAzururuFrame::setGenreChooser(GenreChooser chooser) {
    genreChooser_ = std::move(chooser);
}

void CRivorAzururuFrame::toggleToolDialog(ToolDialog which) {
    ToolSlot& slot = tools_[size_t(which)];
    if (slot.dialog && slot.dialog->isVisible()) {
        slot.dialog->hide();
        resetToolButton(which);
        return;
    }
    showToolDialog(which);
}

void CRivorAzururuFrame::showToolDialog(ToolDialog which) {
    ToolSlot& slot = tools_[size_t(which)];
    if (!slot.dialog) {
        if (!slot.factory)
            return; // that dialog is not part of the program yet
        slot.dialog = slot.factory(*this);
        if (!slot.dialog)
            return;
    }
    slot.dialog->show();
    slot.dialog->raise();
    slot.dialog->activateWindow();
    // Its button shows pushed while the dialog is open.
    button(slot.buttonId)
        ->setImages(skin::kImagePushed, skin::kImagePushed, skin::kImagePushed, skin::kImagePushed);
    for (int i = 0; i < int(tools_.size()); ++i) {
        if (ToolDialog(i) == which)
            continue;
        if (tools_[i].dialog)
            tools_[i].dialog->hide();
        resetToolButton(ToolDialog(i));
    }
}

void CRivorAzururuFrame::resetToolButton(ToolDialog which) {
    button(tools_[size_t(which)].buttonId)
        ->setImages(skin::kImageNormal, skin::kImagePushed, skin::kImageHover,
                    skin::kImageDisabled);
}

void CRivorAzururuFrame::onToolDialogClosed(uintptr_t which) {
    if (which >= tools_.size())
        return;
    if (tools_[which].dialog)
        tools_[which].dialog->hide();
    resetToolButton(ToolDialog(which));
    // The panel takes the keys again, with the focus where the user left it.
    activateWindow();
    if (!focusWidget())
        setFocus();
}

void CRivorAzururuFrame::setSchedulerMode(bool on) {
    // Left without the user's open command (which clears it again): for a task.
    shownForTask_ = !on && schedulerMode_;
    schedulerMode_ = on;
    if (on) {
        for (ToolSlot& slot : tools_)
            if (slot.dialog)
                slot.dialog->hide();
        for (int i = 0; i < int(tools_.size()); ++i)
            resetToolButton(ToolDialog(i));
        hide();
        if (!tray_->shown())
            notices_->tellSchedulerWithoutTray();
    }
    refreshTray();
}

void CRivorAzururuFrame::setSchedulerHandlers(SchedulerHandlers handlers) {
    scheduler_ = std::move(handlers);
}

// --- Fields ----------------------------------------------------------------------------

void CRivorAzururuFrame::onNumberEdited(int editId) {
    if (!fieldsReady_ || settingFields_ > 0)
        return;
    const bool isRecordNo = editId == panel::kRecordNoEdit;
    QLineEdit* edit = isRecordNo ? recordNoEdit_ : recordTrackEdit_;
    QSpinBox* spin = isRecordNo ? recordNoSpin_ : recordTrackSpin_;
    const int value = PanelValues::LeadingNumber(edit->text().toStdString());
    // The arrows go on from the typed number.
    quietly(spin, [&] { spin->setValue(value); });
    std::atomic<int>& stored = isRecordNo ? config_.RecordNo : config_.RecordTrack;
    if (value == stored)
        return;
    stored = value;
    // One note per run of failures, not one per keystroke.
    const bool saved = config_.SaveCounters();
    if (!saved && !countersUnsaved_)
        reportError("The record numbers could not be saved to the settings file.");
    countersUnsaved_ = !saved;
}

void CRivorAzururuFrame::onTagEdited(int editId) {
    if (!fieldsReady_ || settingFields_ > 0)
        return;
    std::string* field = nullptr;
    switch (editId) {
    case panel::kTitleEdit:
        field = &config_.MP3Title;
        break;
    case panel::kArtistEdit:
        field = &config_.MP3Artist;
        break;
    case panel::kAlbumEdit:
        field = &config_.MP3Album;
        break;
    case panel::kYearEdit:
        field = &config_.MP3Year;
        break;
    case panel::kCommentEdit:
        field = &config_.MP3Comment;
        break;
    default:
        return;
    }
    const std::string text = static_cast<QLineEdit*>(control(editId))->text().toStdString();
    if (text == *field)
        return;
    *field = text;
    if (editId == panel::kYearEdit)
        ConfigManger::WriteSetting(kId3Section, "MP3Year", text);
}

void CRivorAzururuFrame::onDivideTypeChanged(int index) {
    if (!fieldsReady_ || settingFields_ > 0 || index < 0)
        return;
    config_.RecordDiviType = index;
    ConfigManger::WriteSetting(kOption, "RecordDiviType", index);
    applyDivideTimeLabel();
    showDivideTime();
    controller_->OnDivisionTypeChanged();
}

void CRivorAzururuFrame::onDivideTimeChanged(const QTime& time) {
    if (!fieldsReady_ || settingFields_ > 0 || !time.isValid())
        return;
    const int seconds =
        PanelValues::SecondsFromTimeOfDay({time.hour(), time.minute(), time.second()});
    switch (config_.RecordDiviType) {
    case 1:
        config_.RecordDiviSecondTime = seconds;
        ConfigManger::WriteSetting(kOption, "RecordDiviSecondTime", seconds);
        break;
    case 2:
        config_.RecordMuteSecond = seconds;
        ConfigManger::WriteSetting(kOption, "RecordMuteSecond", seconds);
        break;
    default:
        break;
    }
}

// --- Meters and monitor ----------------------------------------------------------------

void CRivorAzururuFrame::onBlockCaptured() {
    // The meter and the silence detector advance once per captured block, in order, here
    // only; however late this thread is, every queued block is counted. A repaint draws
    // the newest result again and counts for nothing.
    const MeterSettings settings{config_.SilenceLevel, config_.RecordMuteSecond,
                                 config_.RecordDiviType, config_.CutBeforeNextTrack != 0};
    bool metered = false;
    while (meter_.OnQueuedBlocks(capture_.Channels(), settings)) {
        metered = true;
        const MeterUpdate& update = meter_.Last();
        if (update.requestSplit)
            controller_->OnSilenceSplitRequested(update.splitBlock, update.silenceBlock);
    }
    if (metered)
        for (const skin::Rect& r :
             {panel::kWaveLeft, panel::kWaveRight, panel::kMeterLeft, panel::kMeterRight})
            QWidget::update(toQRect(r));
    // A file that a division left behind is tagged as soon as it is closed.
    controller_->TagFinishedFiles();
}

void CRivorAzururuFrame::onMonitorMute(bool mute) {
    if (mute)
        capture_.SetMonitorVolume(kSilentMonitor);
    else if (!config_.SilenceRecording)
        capture_.SetMonitorVolume(0);
}

void CRivorAzururuFrame::changeEvent(QEvent* event) {
    // The title takes the focus when the panel is first activated, not before: a text field
    // with the focus draws its cursor, and Qt 6.4 crashes doing so on a Wayland compositor
    // without a seat.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !focusGiven_) {
        focusGiven_ = true;
        if (!focusWidget())
            control(kTabOrder[0])->setFocus(Qt::ActiveWindowFocusReason);
    }
    QDialog::changeEvent(event);
}

bool CRivorAzururuFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        (watched == recordNoEdit_ || watched == recordTrackEdit_)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int step = key->key() == Qt::Key_Up ? 1 : key->key() == Qt::Key_Down ? -1 : 0;
        if (step != 0 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            (watched == recordNoEdit_ ? recordNoSpin_ : recordTrackSpin_)->stepBy(step);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CRivorAzururuFrame::paintEvent(QPaintEvent*) {
    // The skin has drawn the background already.
    QPainter painter(this);
    const MeterUpdate& last = meter_.Last();
    MeterPainter::paintChannel(painter, last.left, panel::kWaveLeft, panel::kMeterLeft);
    MeterPainter::paintChannel(painter, last.right, panel::kWaveRight, panel::kMeterRight);
}

void CRivorAzururuFrame::closeEvent(QCloseEvent* event) {
    // Closing the panel ends the program, in the program's own order.
    event->ignore();
    post(msg::Command, cmd::Exit);
}

void CRivorAzururuFrame::contextMenuEvent(QContextMenuEvent* event) {
    tray_->menu()->popup(event->globalPos());
    event->accept();
}

void CRivorAzururuFrame::reject() {
    // A stray Escape must not cut a side short.
    if (controller_->Recording())
        return;
    post(msg::Command, cmd::Exit);
}

void CRivorAzururuFrame::accept() {}

// --- What the recording controller asks of the panel ------------------------------------

void CRivorAzururuFrame::setButtonEnabled(uint32_t commandId, bool enabled) {
    CRegionBmpBtn* b = button(int(commandId));
    if (!b)
        return;
    if (!enabled && b->hasFocus())
        refocusRecordButtons_ = true;
    b->setEnabled(enabled);
    // A focused record button that goes off hands the focus to Record or Stop, whichever
    // works now (or next), rather than to the next control that happens to be on.
    if (!refocusRecordButtons_)
        return;
    for (int id : {panel::kRecordStart, panel::kRecordStop})
        if (CRegionBmpBtn* next = button(id); next->isEnabled()) {
            next->setFocus(Qt::TabFocusReason);
            refocusRecordButtons_ = false;
            return;
        }
}

void CRivorAzururuFrame::showRecordingLabels(const std::string& fileName, const std::string& time) {
    fileName_->setText(QString::fromStdString(fileName));
    recordTime_->setText(QString::fromStdString(time));
    fileName_->show();
    recordTime_->show();
}

void CRivorAzururuFrame::showElapsedTime(const std::string& time) {
    recordTime_->setText(QString::fromStdString(time));
}

void CRivorAzururuFrame::hideRecordingLabels() {
    fileName_->hide();
    recordTime_->hide();
}

void CRivorAzururuFrame::setCounterSpinners(int recordNo, int recordTrack) {
    // The edits follow and find the numbers already stored.
    quietly(recordNoSpin_, [&] { recordNoSpin_->setValue(recordNo); });
    quietly(recordTrackSpin_, [&] { recordTrackSpin_->setValue(recordTrack); });
    recordNoEdit_->setText(QString::number(recordNo));
    recordTrackEdit_->setText(QString::number(recordTrack));
}

void CRivorAzururuFrame::refreshTray() {
    if (!tray_ || !controller_)
        return;
    tray_->refresh(wTrayIcon::StateOf(schedulerMode_, controller_->DevicePresent(),
                                      controller_->Recording(), controller_->ScheduledRecording()));
    // The panel says it too: many desktops have no tray.
    notices_->showNoDevice(!controller_->DevicePresent() && !controller_->Recording());
}

const std::string& CRivorAzururuFrame::lastError() const {
    return notices_->lastNote();
}

void CRivorAzururuFrame::reportError(const std::string& message) {
    notices_->showNote(QString::fromStdString(message));
}

void CRivorAzururuFrame::setRecordingClock(bool running) {
    if (running)
        MessageWindow::setTimer(timer::RecordingClock, 1000);
    else
        MessageWindow::killTimer(timer::RecordingClock);
}

void CRivorAzururuFrame::postCommand(uint32_t commandId) {
    post(msg::Command, commandId);
}

void CRivorAzururuFrame::notifyAway(const AwayNotice& notice) {
    notifier_->notify(notice);
}

bool CRivorAzururuFrame::outOfSight() const {
    // A platform that forgets the minimised state (Wayland) still has minimizedToTaskBar_.
    return !isVisible() || isMinimized() || minimizedToTaskBar_ || schedulerMode_ || shownForTask_;
}

} // namespace vorlane
