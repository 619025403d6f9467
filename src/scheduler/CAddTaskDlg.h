#pragma once

#include "scheduler/TaskEditorRules.h"
#include "ui/SkinnedDialog.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimeEdit;

namespace vorlane {

class ADOConnection;
class ConfigManger;
class CRegionBmpBtn;

// The modal editor of one scheduled task: start and end, single or repeat event, the
// weekdays of a repeat event and a text for the file name. OK checks that the start comes
// before the end and that the task overlaps no stored one (the task being changed carries
// the edit marker and is left out), and ends the dialog with kIdOk; Cancel and the close
// button end it with their ids. A repeat event needs at least one weekday.
//
//     auto editor = CAddTaskDlg::Create(config, catalogue, owner);
//     editor->isEdit = 0; ... set the fields ...
//     editor->Init();
//     if (editor->exec() == CAddTaskDlg::kIdOk) ... read startText, endText, ...
//
// Thread contract: GUI thread only.
class CAddTaskDlg : public SkinnedDialog {
    Q_OBJECT
public:
    enum ControlId {
        kIdOk = 1,
        kIdCancel = 2,
        kClose = 1038,
        kStartLabel = 1070,
        kEndLabel = 1071,
        kStartDate = 1072,
        kStartTime = 1073,
        kEndDate = 1074,
        kEndTime = 1075,
        kSingle = 1076,
        kRepeat = 1077,
        kMonday = 1078, // ... kMonday + 6 Sunday
        kFileNameLabel = 1105,
        kFileName = 1106,
    };

    // Shows a message over the dialog ("Error!", the overlap text).
    using MessageReporter = std::function<void(QWidget* owner, const QString& text)>;

    // The caller's fields, set before Init and read after kIdOk.
    int isEdit = 0;
    std::string startText;
    std::string endText;
    int repeat = 0;
    uint8_t weekdays = 0x7F;
    uint8_t startWeekday = 0;
    std::string editMarker;
    std::string fileNameText;

    // Null when the background BK10.bmp cannot be loaded (*error says why).
    static std::unique_ptr<CAddTaskDlg> Create(ConfigManger& config, ADOConnection& catalogue,
                                               QWidget* parent, QString* error = nullptr);
    ~CAddTaskDlg() override;

    // Fills the controls from the fields (and proposes now and one hour later).
    void Init();
    void setMessageReporter(MessageReporter reporter) { report_ = std::move(reporter); }

    // The buttons' actions, also for tests.
    void OnOK();
    void OnEventKind();
    void SyncEndDate();

protected:
    bool processMessage(const Message& m, intptr_t& result) override;
    // Cancel, the close button, the desktop's close and Escape end the dialog with kIdCancel.
    void OnClose() override { done(kIdCancel); }

private:
    CAddTaskDlg(ConfigManger& config, ADOConnection& catalogue, QWidget* parent);
    bool Load(QString* error);
    void buildControls();
    void skinButtons();
    void applyTexts();
    TaskEditorRules::Draft ReadDraft() const;
    // Shows why OK did not end the dialog and puts the focus on the start date, or `focus`.
    void Refuse(const QString& text, QWidget* focus = nullptr);

    ConfigManger& config_;
    ADOConnection& catalogue_;
    MessageReporter report_;
    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QTimeEdit* endTime_ = nullptr;
    QRadioButton* single_ = nullptr;
    QRadioButton* repeat_ = nullptr;
    std::array<QCheckBox*, 7> days_{};
    QLabel* fileNameLabel_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    CRegionBmpBtn* ok_ = nullptr;
    CRegionBmpBtn* cancel_ = nullptr;
    CRegionBmpBtn* close_ = nullptr;
};

} // namespace vorlane
