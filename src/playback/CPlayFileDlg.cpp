#include "playback/CPlayFileDlg.h"

#include "config/ConfigManger.h"
#include "config/wRegistryKey.h"
#include "platform/Messages.h"
#include "playback/PlaybackMath.h"
#include "playback/RecordingPages.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRegionBmpBtnMouse.h"
#include "ui/LanguageTexts.h"
#include "ui/SkinBitmap.h"
#include "ui/SkinLayout.h"

#include <QComboBox>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QTableWidget>
#include <filesystem>
#include <vector>

namespace vorlane {

namespace fs = std::filesystem;
namespace bar = skin::browser;

namespace {

// Where the controls sit on BK10.bmp, in client pixels, around the two slider bars that
// the skin puts at fixed places.
// The list lies on the card, clear of its border, and shows a whole page without scrolling:
// ten rows of kRowHeight, the header and a horizontal scroll bar.
constexpr skin::Rect kListPlace{14, 61, skin::kToolBackground.width - 28, 197};
constexpr skin::Rect kVolumeLabelPlace{20, 264, 50, 16};
constexpr skin::Rect kPageLabelPlace{158, 264, 46, 16};
constexpr skin::Rect kPagePlace{208, 261, 58, 22};
constexpr QPoint kPreviousPageAt{270, 262};
constexpr QPoint kNextPageAt{310, 262};
constexpr QPoint kSpeedAt{300, 286};
constexpr int kButtonsY = 314; // the strips end on the card, above its border
constexpr QPoint kPlayAt{20, kButtonsY};
constexpr QPoint kStopAt{76, kButtonsY};
constexpr QPoint kPreviousAt{132, kButtonsY};
constexpr QPoint kNextAt{188, kButtonsY};
constexpr QPoint kSaveAsAt{262, kButtonsY};
constexpr QPoint kDeleteAt{302, kButtonsY};
constexpr int kRowHeight = 16;
// The tag columns grow with their texts up to this width; longer tags are elided.
constexpr int kTagColumnMaxWidth = 240;
constexpr int kProgressMs = 100;

// The columns, in the order of RecordingPages::kFields: language key, default title, width.
struct ListColumn {
    const char* key;
    const char* def;
    int width;
};
constexpr ListColumn kColumns[] = {
    {"FileName ", "FileName", 220}, {"StartTime ", "StartTime", 160}, {"Duration ", "Duration", 80},
    {"Title ", "Title", 80},        {"Artist", "Artist", 80},         {"Album", "Album", 80},
    {"Year", "Year", 80},           {"Comment", "Comment", 80},
};
static_assert(std::size(kColumns) == RecordingPages::kFields.size());
// The titles and widths before the first Refresh.
constexpr const char* kFirstTitles[] = {"FileName", "Start Time", "Duration", "Title",
                                        "Artist",   "Album",      "Year",     "Comment"};

// Each list row carries its catalogue row and file.
constexpr int kRowIdRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;

QRect toQRect(const skin::Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

QString fromUtf8(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

std::unique_ptr<CPlayFileDlg> CPlayFileDlg::Create(ConfigManger& config, Services services,
                                                   QWidget* parent, QString* error) {
    std::unique_ptr<CPlayFileDlg> dialog(new CPlayFileDlg(config, std::move(services), parent));
    return dialog->Init(error) ? std::move(dialog) : nullptr;
}

CPlayFileDlg::CPlayFileDlg(ConfigManger& config, Services services, QWidget* parent)
    : SkinnedDialog(parent, skin::kToolBackground, Modality::Modeless), config_(config),
      services_(std::move(services)) {
    setClosedNotice(services_.panel, 1);
    buildControls();
}

CPlayFileDlg::~CPlayFileDlg() {
    ReleaseGraph();
    MessageWindow::destroy();
}

bool CPlayFileDlg::Init(QString* error) {
    if (!openSkinned(config_.SkinFolder, "the recordings window", error))
        return false;
    // The slider tracks take presses themselves; the rest of the body drags the window.
    dialogSkin()->setDragArea([](const QPoint& p) {
        return !bar::kPositionTrack.contains(p.x(), p.y()) &&
               !bar::kVolumeHitArea.contains(p.x(), p.y());
    });
    skinControls();
    // A missing bar leaves the groove undrawn; the track still works.
    auto loadBar = [&](const bar::Bar& b) {
        const QImage image =
            SkinBitmap::load(fromUtf8(config_.SkinFolder) + QString::fromLatin1(b.file));
        return image.isNull() ? image : SkinBitmap::withKeyTransparent(image, skin::kKeyColour);
    };
    positionBar_ = loadBar(bar::kPositionBar);
    volumeBar_ = loadBar(bar::kVolumeBar);
    placeThumbs();
    return true;
}

void CPlayFileDlg::buildControls() {
    list_ = addList(kList, int(std::size(kColumns)));
    list_->setGeometry(toQRect(kListPlace));
    // The style would make rows taller than the text needs.
    list_->verticalHeader()->setMinimumSectionSize(kRowHeight);
    list_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    list_->setWordWrap(false);
    for (int c = 0; c < int(std::size(kFirstTitles)); ++c) {
        list_->setHorizontalHeaderItem(c,
                                       new QTableWidgetItem(QString::fromLatin1(kFirstTitles[c])));
        list_->setColumnWidth(c, c == 0 ? 120 : c == 1 ? 160 : 80);
    }
    connect(list_, &QTableWidget::cellDoubleClicked, this, &CPlayFileDlg::playChosen);

    volumeLabel_ = new QLabel(QStringLiteral("vol"), this);
    volumeLabel_->setGeometry(toQRect(kVolumeLabelPlace));
    registerControl(kVolumeLabel, volumeLabel_);
    pageLabel_ = new QLabel(QStringLiteral("Page"), this);
    pageLabel_->setGeometry(toQRect(kPageLabelPlace));
    registerControl(kPageLabel, pageLabel_);
    page_ = new QComboBox(this);
    page_->setGeometry(toQRect(kPagePlace));
    connect(page_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!fillingPages_ && index >= 0)
            GoToPage(index);
    });
    registerControl(kPage, page_);
    pageLabel_->setBuddy(page_);

    addButton(kPreviousPage, "<<");
    addButton(kNextPage, ">>");
    speed_ = addButton(kSpeed, "x1");
    play_ = addButton(kPlay, "Play");
    addButton(kStop, "Stop");
    addButton(kPreviousRecording, "Previous");
    addButton(kNextRecording, "Next");
    addButton(kSaveAs, "SaveAs");
    addButton(kDelete, "Delete");
    addButton(kClose, "Close");
    volumeThumb_ = new CRegionBmpBtnMouse(this, kVolumeThumb);
    registerControl(kVolumeThumb, volumeThumb_);
    positionThumb_ = new CRegionBmpBtnMouse(this, kPositionThumb);
    registerControl(kPositionThumb, positionThumb_);
}

void CPlayFileDlg::skinControls() {
    auto skinAt = [&](int id, const skin::Strip& strip, QPoint at) {
        auto* b = static_cast<CRegionBmpBtn*>(controls_.at(id));
        skinButton(b, strip, at);
        return b;
    };
    skinAt(kPreviousPage, skin::kSmallButtonStrip, kPreviousPageAt)
        ->setCaption(QStringLiteral("<<"));
    skinAt(kNextPage, skin::kSmallButtonStrip, kNextPageAt)->setCaption(QStringLiteral(">>"));
    skinAt(kSpeed, skin::kMediButtonStrip, kSpeedAt)
        ->setCaption(QString::fromLatin1(PlaybackMath::SpeedText(speedIndex_)));
    speed_->setAccessibleDescription(speed_->caption().value_or(QString()));
    skinAt(kPlay, skin::kPlayStrip, kPlayAt);
    skinAt(kStop, skin::kStopStrip, kStopAt);
    skinAt(kPreviousRecording, skin::kPreviousStrip, kPreviousAt);
    skinAt(kNextRecording, skin::kNextStrip, kNextAt);
    skinAt(kSaveAs, skin::kSaveAsStrip, kSaveAsAt);
    skinAt(kDelete, skin::kDeleteStrip, kDeleteAt);
    const skin::Rect closeAt = skin::CloseButtonRect(skin::kToolBackground);
    skinAt(kClose, skin::kCloseStrip, {closeAt.x, closeAt.y});
    skinAt(kVolumeThumb, skin::kSliderThumbStrip, {0, bar::kVolumeThumbY});
    skinAt(kPositionThumb, skin::kSliderThumbStrip, {0, bar::kPositionThumbY});
    // Without a skin the thumbs would take a push button's size.
    volumeThumb_->resize(skin::kSliderThumbStrip.imageWidth, skin::kSliderThumbStrip.height);
    positionThumb_->resize(skin::kSliderThumbStrip.imageWidth, skin::kSliderThumbStrip.height);
    setPlayLook(true);
}

void CPlayFileDlg::applyTexts() {
    LanguageTexts texts(config_, LanguageTexts::kWindowText);
    for (int c = 0; c < int(std::size(kColumns)); ++c) {
        list_->horizontalHeaderItem(c)->setText(texts.text(kColumns[c].key, kColumns[c].def));
        list_->setColumnWidth(c, kColumns[c].width);
    }
    struct Tip {
        int id;
        const char* key;
        const char* def;
    };
    for (const Tip& t :
         {Tip{kPlay, "PlayAndPause ", "Play/Pause"}, Tip{kStop, "Stop ", "Stop"},
          Tip{kPreviousRecording, "Previous ", "Previous"}, Tip{kNextRecording, "Next ", "Next"},
          Tip{kPreviousPage, "PrePage ", "Pre Page"}, Tip{kNextPage, "NextPage ", "Next Page"},
          Tip{kClose, "Close ", "Close"}, Tip{kSaveAs, "Save As ", "Save As"},
          Tip{kDelete, "Delete ", "Delete"}})
        controls_.at(t.id)->setToolTip(texts.text(t.key, t.def));
    fitColumns();
    pageLabel_->setText(texts.text("Page ", "Page"));
    volumeLabel_->setText(texts.text("SPK_Volume ", "vol"));
    title_ = texts.text("PlayFile  ", "Record Play");
    // Names for screen readers where the caption is a symbol or there is none.
    list_->setAccessibleName(title_);
    // A combo box is read by its choice; this is for when it has none.
    page_->setAccessibleName(pageLabel_->text());
    speed_->setAccessibleLabel(texts.text("Speed ", "Speed"));
    volumeThumb_->setAccessibleLabel(volumeLabel_->text());
    positionThumb_->setAccessibleLabel(texts.text("Position ", "Position"));
    update();
}

void CPlayFileDlg::fitColumns() {
    // At least the width of the column table; wider where the title or the texts of the
    // page need it: the program's own file names and times in full, tags up to a limit.
    QHeaderView* header = list_->horizontalHeader();
    for (int c = 0; c < int(std::size(kColumns)); ++c) {
        int width = std::max({kColumns[c].width, header->sectionSizeHint(c),
                              static_cast<QAbstractItemView*>(list_)->sizeHintForColumn(c)});
        if (c >= 3)
            width = std::min(width, std::max(kColumns[c].width, kTagColumnMaxWidth));
        list_->setColumnWidth(c, width);
    }
}

// --- Pages -----------------------------------------------------------------------------

void CPlayFileDlg::Refresh() {
    Recount();
    applyTexts();
}

void CPlayFileDlg::Recount() {
    recordCount_ = RecordingPages(services_.catalogue).Count();
    pageCount_ = PlaybackMath::PageCount(recordCount_);
    currentPage_ = 0;
    list_->setRowCount(0);
    if (recordCount_ > 0)
        LoadPage(0);
    fillPageCombo();
    updatePageButtons();
}

void CPlayFileDlg::fillPageCombo() {
    fillingPages_ = true;
    page_->clear();
    for (int p = 1; p <= pageCount_; ++p)
        page_->addItem(QString::number(p));
    page_->setCurrentIndex(pageCount_ > 0 ? std::min(currentPage_, pageCount_ - 1) : -1);
    page_->setEnabled(pageCount_ > 0);
    fillingPages_ = false;
}

void CPlayFileDlg::updatePageButtons() {
    controls_.at(kPreviousPage)->setEnabled(currentPage_ > 0);
    controls_.at(kNextPage)->setEnabled(pageCount_ >= 2 && currentPage_ != pageCount_ - 1);
}

void CPlayFileDlg::LoadPage(int page) {
    std::vector<RecordingPages::Row> shown;
    int swept = 0;
    if (!RecordingPages(services_.catalogue).Load(page, shown, swept))
        return; // past the end or no catalogue: the list stays as it is
    list_->setRowCount(0);
    list_->setRowCount(int(shown.size()));
    for (int r = 0; r < int(shown.size()); ++r) {
        for (int c = 0; c < int(shown[r].fields.size()); ++c) {
            auto* item = new QTableWidgetItem(fromUtf8(shown[r].fields[c]));
            if (c == 0) {
                item->setData(kRowIdRole, qint64(shown[r].rowid));
                item->setData(kPathRole, fromUtf8(shown[r].path));
            }
            list_->setItem(r, c, item);
        }
    }
    fitColumns();
    currentPage_ = page;
    if (swept > 0) {
        // Fewer rows may mean fewer pages; the page shown stays.
        recordCount_ = std::max(0, recordCount_ - swept);
        pageCount_ = PlaybackMath::PageCount(recordCount_);
        fillPageCombo();
    }
    if (!shown.empty())
        selectRow(0);
    updatePageButtons();
}

void CPlayFileDlg::GoToPage(int page) {
    if (page < 0 || page >= pageCount_)
        return;
    LoadPage(page);
    fillingPages_ = true;
    page_->setCurrentIndex(currentPage_);
    fillingPages_ = false;
}

std::string CPlayFileDlg::fileOfRow(int row) const {
    if (row < 0 || row >= list_->rowCount() || !list_->item(row, 0))
        return {};
    return list_->item(row, 0)->data(kPathRole).toString().toStdString();
}

int CPlayFileDlg::selectedRow() const {
    const QList<QTableWidgetItem*> items = list_->selectedItems();
    return items.isEmpty() ? -1 : items.front()->row();
}

void CPlayFileDlg::selectRow(int row) {
    if (row >= 0 && row < list_->rowCount())
        list_->selectRow(row);
}

// --- Playback --------------------------------------------------------------------------

void CPlayFileDlg::mute(bool on) {
    MessageWindow::PostTo(services_.panel, msg::MonitorMute, on ? 1 : 0, 0);
}

void CPlayFileDlg::tell(const char* key, const char* def, const QString& detail) {
    const QString text = LanguageTexts(config_, LanguageTexts::kMessage).text(key, def);
    if (services_.showMessage)
        services_.showMessage(text, detail);
}

void CPlayFileDlg::PlayPause() {
    if (!graph_ || graph_->IsStopped()) {
        const std::string path = fileOfRow(selectedRow());
        if (path.empty())
            return;
        mute(true);
        ReleaseGraph();
        graph_ = std::make_unique<CDXGraph>();
        if (!graph_->Create() || !graph_->RenderFile(path)) {
            // Nothing plays: say so, and leave the panel as it was before.
            const QString why = fromUtf8(graph_->LastError());
            ReleaseGraph();
            mute(false);
            if (services_.showMessage)
                services_.showMessage(QStringLiteral("Render err"), why);
            return;
        }
        graph_->SetNotifyWindow(handle());
        graph_->Run();
        graph_->SetAudioVolume(PlaybackMath::GraphVolume(config_.PlayVolume.load()));
        graph_->SetPlaybackRate(PlaybackMath::SpeedRate(speedIndex_));
        setPlayLook(false);
        MessageWindow::setTimer(timer::BrowserProgress, kProgressMs);
        position_ = 0;
        placeThumbs();
    } else if (graph_->IsPaused()) {
        graph_->Run();
        setPlayLook(false);
        mute(true);
    } else {
        graph_->Pause();
        setPlayLook(true);
    }
}

void CPlayFileDlg::StopPlayback() {
    if (graph_) {
        graph_->SetCurrentPosition(0);
        graph_->Stop();
    }
    ReleaseGraph();
    setPlayLook(true);
    MessageWindow::killTimer(timer::BrowserProgress);
    position_ = 0;
    placeThumbs();
}

void CPlayFileDlg::ReleaseGraph() {
    if (!graph_)
        return;
    graph_->SetNotifyWindow(0);
    graph_->Release();
    graph_.reset();
}

void CPlayFileDlg::EndPlayback() {
    if (graph_)
        mute(false);
    StopPlayback();
}

void CPlayFileDlg::OnGraphEvents() {
    CDXGraph::Event event;
    while (graph_ && graph_->GetEvent(event)) {
        switch (event.code) {
        case CDXGraph::kEventComplete:
            graph_->Stop();
            graph_->SetCurrentPosition(0);
            setPlayLook(true);
            mute(false);
            position_ = 0;
            placeThumbs();
            break;
        case CDXGraph::kEventUserAbort:
            graph_->Stop();
            break;
        case CDXGraph::kEventError:
            // A damaged file or a lost output: the user hears nothing and must know why.
            EndPlayback();
            tell("Playback error ", "This recording cannot be played.", fromUtf8(event.text));
            return;
        default:
            break;
        }
    }
}

void CPlayFileDlg::OnProgressTimer() {
    if (!graph_) {
        MessageWindow::killTimer(timer::BrowserProgress);
        return;
    }
    double now = 0, length = 0;
    if (positionDragging_ || !graph_->GetCurrentPosition(&now) || !graph_->GetDuration(&length) ||
        length <= 0)
        return;
    const int p = std::clamp(int(now * 1000 / length), 0, 1000);
    if (p != position_) {
        position_ = p;
        placeThumbs();
    }
}

void CPlayFileDlg::setPlayLook(bool play) {
    playLook_ = play;
    const int first = play ? 0 : skin::kPauseLookFirstImage;
    play_->setImages(first + skin::kImageNormal, first + skin::kImagePushed,
                     first + skin::kImageHover, -1);
    play_->update();
}

void CPlayFileDlg::placeThumbs() {
    positionThumb_->move(PlaybackMath::PositionThumbX(position_), bar::kPositionThumbY);
    volumeThumb_->move(PlaybackMath::VolumeThumbX(config_.PlayVolume.load()), bar::kVolumeThumbY);
}

void CPlayFileDlg::seekToPosition() {
    double length = 0;
    if (graph_ && graph_->GetDuration(&length))
        graph_->SetCurrentPosition(position_ / 1000.0 * length);
}

void CPlayFileDlg::moveToPosition(int x) {
    if (!graph_)
        return;
    position_ = PlaybackMath::PositionFromX(x);
    placeThumbs();
    seekToPosition();
}

void CPlayFileDlg::setVolumeFromX(int x) {
    const int volume = PlaybackMath::VolumeFromX(x);
    config_.PlayVolume = volume;
    if (graph_)
        graph_->SetAudioVolume(PlaybackMath::GraphVolume(volume));
    placeThumbs();
}

void CPlayFileDlg::storePlayVolume() {
    wRegistryKey key;
    if (key.open(wRegistryKey::Root::CurrentUser, ConfigManger::kRegistryKey))
        key.writeDword("PlayVolume", uint32_t(config_.PlayVolume.load()));
}

void CPlayFileDlg::NextSpeed() {
    speedIndex_ = (speedIndex_ + 1) % PlaybackMath::kSpeedCount;
    speed_->setCaption(QString::fromLatin1(PlaybackMath::SpeedText(speedIndex_)));
    speed_->setText(QString::fromLatin1(PlaybackMath::SpeedText(speedIndex_)));
    speed_->setAccessibleDescription(speed_->text());
    speed_->update();
    if (graph_ && !graph_->IsStopped())
        graph_->SetPlaybackRate(PlaybackMath::SpeedRate(speedIndex_));
}

// --- Moving between recordings ---------------------------------------------------------

void CPlayFileDlg::PreviousRecording() {
    const int row = selectedRow();
    if (row < 0)
        return;
    if (row == 0) {
        GoToPage(currentPage_ > 0 ? currentPage_ - 1 : pageCount_ - 1);
        selectRow(list_->rowCount() - 1);
    } else {
        selectRow(row - 1);
    }
    RestartAfterMove();
}

void CPlayFileDlg::NextRecording() {
    const int row = selectedRow();
    if (row < 0)
        return;
    if (row + 1 < list_->rowCount())
        selectRow(row + 1);
    else
        GoToPage(currentPage_ + 1 < pageCount_ ? currentPage_ + 1 : 0);
    RestartAfterMove();
}

void CPlayFileDlg::RestartAfterMove() {
    if (!graph_)
        return;
    graph_->SetCurrentPosition(0);
    graph_->Stop();
    ReleaseGraph();
    MessageWindow::post(msg::Command, kPlay);
}

// --- Copy and delete -------------------------------------------------------------------

void CPlayFileDlg::SaveCopy() {
    const std::string path = fileOfRow(selectedRow());
    if (path.empty() || !services_.chooseSaveFile)
        return;
    const std::string name = fs::path(path).filename().string();
    const char* extension = name.find(".mp3") != std::string::npos    ? ".mp3"
                            : name.find(".wma") != std::string::npos  ? ".wma"
                            : name.find(".flac") != std::string::npos ? ".flac"
                                                                      : ".wav";
    const QString pattern = QStringLiteral("*") + QString::fromLatin1(extension);
    QString target = services_.chooseSaveFile(pattern, pattern);
    if (target.isEmpty())
        return;
    if (!target.contains(QString::fromLatin1(extension)))
        target += QString::fromLatin1(extension);
    const fs::path to = target.toStdString();
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(path, to, ec))
        return; // already there
    if (!fs::copy_file(path, to, fs::copy_options::overwrite_existing, ec))
        tell("Copy failed ", "The copy could not be saved.",
             fromUtf8(to.string() + ": " + ec.message()));
}

void CPlayFileDlg::DeleteRecording() {
    const int row = selectedRow();
    const std::string path = fileOfRow(row);
    if (path.empty())
        return;
    const int64_t rowid = list_->item(row, 0)->data(kRowIdRole).toLongLong();
    const QString question =
        LanguageTexts(config_, LanguageTexts::kMessage)
            .text("Are you sure you want to delete ", "Are you sure you want to delete");
    if (!services_.askYesNo || !services_.askYesNo(question))
        return;
    if (graph_)
        EndPlayback(); // the file may be the one playing
    std::error_code ec;
    fs::remove(path, ec);
    if (ec || RecordingPages::StateOf(path) == RecordingPages::FileState::Present) {
        // The row stays with its file: a catalogue without the file's row loses track of it.
        tell("Delete failed ", "The recording could not be deleted. It stays in the list.",
             fromUtf8(path + ": " + (ec ? ec.message() : std::string("it is still there"))));
        return;
    }
    RecordingPages(services_.catalogue).Remove(rowid);
    Recount();
}

// --- Showing and hiding ----------------------------------------------------------------

void CPlayFileDlg::hideEvent(QHideEvent* event) {
    // However it is hidden (its Close, the panel's button, minimising), playback ends.
    if (!event->spontaneous())
        EndPlayback();
    QDialog::hideEvent(event);
}

void CPlayFileDlg::paintOver(QPainter& painter) {
    if (!positionBar_.isNull())
        painter.drawImage(QPoint(bar::kPositionBar.x, bar::kPositionBar.y), positionBar_);
    if (!volumeBar_.isNull())
        painter.drawImage(QPoint(bar::kVolumeBar.x, bar::kVolumeBar.y), volumeBar_);
}

// --- Mouse -----------------------------------------------------------------------------

void CPlayFileDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (bar::kPositionTrack.contains(p.x(), p.y()) && graph_) {
            positionDragging_ = true;
            moveToPosition(p.x());
            return;
        }
        if (bar::kVolumeHitArea.contains(p.x(), p.y())) {
            volumeDragging_ = true;
            setVolumeFromX(p.x());
            storePlayVolume();
            return;
        }
    }
    QDialog::mousePressEvent(event);
}

void CPlayFileDlg::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        const int x = event->position().toPoint().x();
        if (positionDragging_ && graph_) {
            position_ = PlaybackMath::PositionFromX(x);
            placeThumbs();
            return; // sought once let go
        }
        if (volumeDragging_) {
            setVolumeFromX(x); // stored once let go: a drag is one change
            return;
        }
    }
    QDialog::mouseMoveEvent(event);
}

void CPlayFileDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (volumeDragging_)
            storePlayVolume();
        volumeDragging_ = false;
        if (positionDragging_) {
            positionDragging_ = false;
            seekToPosition();
        }
    }
    QDialog::mouseReleaseEvent(event);
}

// --- Messages --------------------------------------------------------------------------

void CPlayFileDlg::playChosen() {
    MessageWindow::post(msg::Command, kStop);
    MessageWindow::post(msg::Command, kPlay);
}

void CPlayFileDlg::OnEnter() {
    if (list_->hasFocus())
        playChosen();
}

bool CPlayFileDlg::processMessage(const Message& m, intptr_t& result) {
    result = 0;
    switch (m.msg) {
    case msg::GraphNotify:
        OnGraphEvents();
        return true;
    case msg::Timer:
        if (m.wParam != timer::BrowserProgress)
            return false;
        OnProgressTimer();
        return true;
    case msg::ButtonPressed:
        if (m.wParam == kPositionThumb)
            positionDragging_ = graph_ != nullptr;
        else if (m.wParam == kVolumeThumb)
            volumeDragging_ = true;
        return true;
    case msg::ButtonReleased:
        if (m.wParam == kVolumeThumb)
            volumeDragging_ = false;
        if (m.wParam == kPositionThumb && positionDragging_) {
            positionDragging_ = false;
            seekToPosition();
        } else if (m.wParam == kVolumeThumb) {
            storePlayVolume();
        }
        return true;
    case msg::Command:
        break;
    default:
        return false;
    }
    switch (m.wParam) {
    case kPlay:
        PlayPause();
        break;
    case kStop:
        StopPlayback();
        mute(false);
        break;
    case kPreviousRecording:
        PreviousRecording();
        break;
    case kNextRecording:
        NextRecording();
        break;
    case kSpeed:
        NextSpeed();
        break;
    case kPreviousPage:
        GoToPage(currentPage_ - 1);
        break;
    case kNextPage:
        GoToPage(currentPage_ + 1);
        break;
    case kSaveAs:
        SaveCopy();
        break;
    case kDelete:
        DeleteRecording();
        break;
    case kClose:
    case kIdCancel:
        OnClose();
        break;
    default:
        return false;
    }
    return true;
}

} // namespace vorlane
