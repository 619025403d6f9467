#pragma once

#include "playback/CDXGraph.h"
#include "ui/SkinnedDialog.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QLabel;

namespace vorlane {

class ADOConnection;
class ConfigManger;
class CRegionBmpBtn;
class CRegionBmpBtnMouse;

// The recordings browser: the catalogue newest first, ten recordings a page (read and
// tidied by RecordingPages), played through a CDXGraph at one of five speeds, with a
// position and a volume slider, a copy ("Save As") and deletion of a recording with its
// row.
//
// A modeless skinned dialog that the panel makes once and then shows and hides; every show
// reads the catalogue again. While a recording plays the panel is asked to silence the
// monitor output (msg::MonitorMute 1) and to restore it when playback ends (0); closing
// posts msg::ToolDialogClosed (1). Hiding it stops playback.
//
//     auto dialog = CPlayFileDlg::Create(config, services, panel);
//     if (dialog) dialog.release()->show(); // owned by the panel from here on
//
// Thread contract: GUI thread only.
class CPlayFileDlg : public SkinnedDialog {
    Q_OBJECT
public:
    enum ControlId {
        kClose = 1038,
        kList = 1051,
        kVolumeLabel = 1052,
        kVolumeThumb = 1053,
        kPageLabel = 1054,
        kPage = 1055,
        kPreviousPage = 1056,
        kNextPage = 1057,
        kPositionThumb = 1058,
        kSpeed = 1059,
        kPlay = 1060,
        kStop = 1061,
        kPreviousRecording = 1062,
        kNextRecording = 1063,
        kSaveAs = 1064,
        kDelete = 1065,
    };
    static constexpr int kIdCancel = 2;

    struct Services {
        WindowHandle panel = 0;             // gets msg::MonitorMute and msg::ToolDialogClosed
        ADOConnection* catalogue = nullptr; // null or closed: an empty list
        // Tells the user something went wrong: the text and, when known, the reason.
        std::function<void(const QString& text, const QString& detail)> showMessage;
        // Asks a yes/no question; true for yes.
        std::function<bool(const QString& text)> askYesNo;
        // Asks where to save a copy, starting from `name` with `filter`; empty: cancelled.
        std::function<QString(const QString& name, const QString& filter)> chooseSaveFile;
    };

    // Builds, skins and fills the dialog. Null when BK10.bmp cannot be loaded from the skin
    // folder; *error then says why.
    static std::unique_ptr<CPlayFileDlg> Create(ConfigManger& config, Services services,
                                                QWidget* parent = nullptr,
                                                QString* error = nullptr);
    ~CPlayFileDlg() override;

    // Counts the catalogue, shows its first page and reads the texts again.
    void Refresh();

    // The state, for the panel and for tests.
    int recordCount() const { return recordCount_; }
    int pageCount() const { return pageCount_; }
    int currentPage() const { return currentPage_; }
    int speedIndex() const { return speedIndex_; }
    int position() const { return position_; }
    CDXGraph* graph() const { return graph_.get(); }
    bool playLook() const { return playLook_; }
    // The file of a row of the list; empty when there is no such row.
    std::string fileOfRow(int row) const;
    int selectedRow() const;
    void selectRow(int row);
    QTableWidget* list() const { return list_; }

protected:
    bool processMessage(const Message& m, intptr_t& result) override;
    void OnShown() override { Refresh(); }
    // Enter on the list plays the chosen recording, as a double click does.
    void OnEnter() override;
    void paintOver(QPainter& painter) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CPlayFileDlg(ConfigManger& config, Services services, QWidget* parent);
    bool Init(QString* error);
    void buildControls();
    void skinControls();
    void applyTexts();
    void fitColumns();

    void Recount();
    void LoadPage(int page);
    void GoToPage(int page);
    void updatePageButtons();
    void fillPageCombo();

    // Plays the selected recording from its start.
    void playChosen();
    void PlayPause();
    void StopPlayback();
    void PreviousRecording();
    void NextRecording();
    void RestartAfterMove();
    void NextSpeed();
    void SaveCopy();
    void DeleteRecording();
    void OnGraphEvents();
    void OnProgressTimer();
    void ReleaseGraph();
    void EndPlayback();

    void setPlayLook(bool play);
    void moveToPosition(int x);
    void setVolumeFromX(int x);
    void storePlayVolume();
    void seekToPosition();
    void placeThumbs();
    void mute(bool on);
    void tell(const char* key, const char* def, const QString& detail);

    ConfigManger& config_;
    Services services_;
    QTableWidget* list_ = nullptr;
    QComboBox* page_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    CRegionBmpBtnMouse* volumeThumb_ = nullptr;
    CRegionBmpBtnMouse* positionThumb_ = nullptr;
    CRegionBmpBtn* speed_ = nullptr;
    CRegionBmpBtn* play_ = nullptr;
    QImage positionBar_;
    QImage volumeBar_;

    int recordCount_ = 0;
    int pageCount_ = 0;
    int currentPage_ = 0;
    std::unique_ptr<CDXGraph> graph_;
    int position_ = 0;
    bool positionDragging_ = false;
    bool volumeDragging_ = false;
    int speedIndex_ = 0;
    bool playLook_ = true;
    // Guards the page combo while the dialog fills it.
    bool fillingPages_ = false;
};

} // namespace vorlane
