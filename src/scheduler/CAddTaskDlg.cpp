#include "scheduler/CAddTaskDlg.h"

#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueStatements.h"
#include "config/ConfigManger.h"
#include "platform/Messages.h"
#include "scheduler/TaskTimes.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/LanguageTexts.h"
#include "ui/SkinLayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimeEdit>

namespace vorlane {

namespace {
using Place = ControlPlace;
constexpr Place kStartLabelPlace{24, 62, 96, 22};
constexpr Place kStartDatePlace{124, 60, 120, 24};
constexpr Place kStartTimePlace{252, 60, 86, 24};
constexpr Place kEndLabelPlace{24, 94, 96, 22};
constexpr Place kEndDatePlace{124, 92, 120, 24};
constexpr Place kEndTimePlace{252, 92, 86, 24};
constexpr Place kSinglePlace{24, 128, 150, 22};
constexpr Place kRepeatPlace{180, 128, 158, 22};
// Three weekday boxes a row, with a gap between a box's text and the next box.
constexpr int kDaysX = 24, kDaysY = 154, kDayStep = 105, kDayWidth = 102, kDayHeight = 22,
              kDaysPerRow = 3;
constexpr Place kFileNameLabelPlace{24, 228, 314, 36};
constexpr Place kFileNamePlace{24, 266, 314, 24};

constexpr const char* kDayKeys[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                     "Friday", "Saturday", "Sunday"};

QDate dateOf(const LocalTime& t) {
    return QDate(t.year, t.month, t.day);
}

LocalTime localOf(const QDate& d) {
    LocalTime t;
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    t.weekday = d.dayOfWeek() % 7;
    return t;
}
} // namespace

std::unique_ptr<CAddTaskDlg> CAddTaskDlg::Create(ConfigManger& config, ADOConnection& catalogue,
                                                 QWidget* parent, QString* error) {
    std::unique_ptr<CAddTaskDlg> dialog(new CAddTaskDlg(config, catalogue, parent));
    return dialog->Load(error) ? std::move(dialog) : nullptr;
}

CAddTaskDlg::CAddTaskDlg(ConfigManger& config, ADOConnection& catalogue, QWidget* parent)
    : SkinnedDialog(parent, skin::kToolBackground, Modality::Modal), config_(config),
      catalogue_(catalogue) {
    buildControls();
}

CAddTaskDlg::~CAddTaskDlg() {
    MessageWindow::destroy();
}

bool CAddTaskDlg::Load(QString* error) {
    if (!openSkinned(config_.SkinFolder, "the task editor", error))
        return false;
    skinButtons();
    return true;
}

void CAddTaskDlg::buildControls() {
    auto label = [this](int id, const Place& p) { return addControl(id, new QLabel(this), p); };
    auto date = [this](int id, const Place& p) {
        auto* d = new QDateEdit(this);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setCalendarPopup(true);
        return addControl(id, d, p);
    };
    auto time = [this](int id, const Place& p) {
        auto* t = new QTimeEdit(this);
        t->setDisplayFormat(QStringLiteral("HH:mm"));
        return addControl(id, t, p);
    };
    QLabel* startLabel = label(kStartLabel, kStartLabelPlace);
    QLabel* endLabel = label(kEndLabel, kEndLabelPlace);
    startDate_ = date(kStartDate, kStartDatePlace);
    startTime_ = time(kStartTime, kStartTimePlace);
    endDate_ = date(kEndDate, kEndDatePlace);
    endTime_ = time(kEndTime, kEndTimePlace);
    // Screen readers name the fields by their labels; each time field is named in
    // applyTexts, its label being the date's.
    startLabel->setBuddy(startDate_);
    endLabel->setBuddy(endDate_);
    single_ = addControl(kSingle, new QRadioButton(this), kSinglePlace);
    repeat_ = addControl(kRepeat, new QRadioButton(this), kRepeatPlace);
    auto* kind = new QButtonGroup(this);
    kind->addButton(single_);
    kind->addButton(repeat_);
    for (int k = 0; k < 7; ++k) {
        auto* box = new QCheckBox(this);
        box->setGeometry(kDaysX + (k % kDaysPerRow) * kDayStep,
                         kDaysY + (k / kDaysPerRow) * (kDayHeight + 2), kDayWidth, kDayHeight);
        days_[size_t(k)] = box;
        controls_[kMonday + k] = box;
    }
    fileNameLabel_ = label(kFileNameLabel, kFileNameLabelPlace);
    fileNameLabel_->setWordWrap(true);
    fileName_ = addControl(kFileName, new QLineEdit(this), kFileNamePlace);
    fileNameLabel_->setBuddy(fileName_);

    ok_ = addButton(kIdOk);
    cancel_ = addButton(kIdCancel);
    close_ = addButton(kClose);

    connect(single_, &QRadioButton::toggled, this, &CAddTaskDlg::OnEventKind);
    for (QDateTimeEdit* e :
         {static_cast<QDateTimeEdit*>(startDate_), static_cast<QDateTimeEdit*>(startTime_),
          static_cast<QDateTimeEdit*>(endTime_)})
        connect(e, &QDateTimeEdit::dateTimeChanged, this, &CAddTaskDlg::SyncEndDate);
}

void CAddTaskDlg::skinButtons() {
    skinButtonRow({ok_, cancel_});
    skinCloseButton(close_);
    setDefaultButton(ok_);
}

void CAddTaskDlg::Init() {
    const LocalTime now = Clock::current().localTime();
    const LocalTime end = TaskEditorRules::ProposedEnd(now);
    {
        // The proposal and the stored times are shown as they are, not re-derived.
        const QSignalBlocker a(startDate_), b(startTime_), c(endTime_);
        startDate_->setDate(dateOf(now));
        startTime_->setTime(QTime(now.hour, now.minute));
        endDate_->setDate(dateOf(end));
        endTime_->setTime(QTime(end.hour, end.minute));
        if (auto s = TaskTimes::ParseMinuteText(startText)) {
            startDate_->setDate(dateOf(*s));
            startTime_->setTime(QTime(s->hour, s->minute));
        }
        if (auto e = TaskTimes::ParseMinuteText(endText)) {
            endDate_->setDate(dateOf(*e));
            endTime_->setTime(QTime(e->hour, e->minute));
        }
        (repeat ? repeat_ : single_)->setChecked(true);
    }
    endDate_->setEnabled(false);
    startDate_->setEnabled(!repeat);
    for (int k = 0; k < 7; ++k) {
        days_[size_t(k)]->setEnabled(repeat != 0);
        days_[size_t(k)]->setChecked((weekdays >> k) & 1);
    }
    fileName_->setText(QString::fromStdString(fileNameText));
    applyTexts();
}

void CAddTaskDlg::applyTexts() {
    const LanguageTexts texts(config_, LanguageTexts::kWindowText);
    ok_->setCaption(texts.text("OK ", "OK"));
    cancel_->setCaption(texts.text("Cancel ", "Cancel"));
    static_cast<QLabel*>(controls_.at(kStartLabel))->setText(texts.text("StartTime ", "StartTime"));
    static_cast<QLabel*>(controls_.at(kEndLabel))->setText(texts.text("EndTime ", "EndTime"));
    single_->setText(texts.text("SingleEvent", "SingleEvent"));
    repeat_->setText(texts.text("RepeatEvent", "RepeatEvent"));
    for (int k = 0; k < 7; ++k)
        days_[size_t(k)]->setText(texts.text(kDayKeys[k], kDayKeys[k]));
    const QString plus = QStringLiteral(" + ");
    fileNameLabel_->setText(texts.text("FileName", "FileName") + QStringLiteral(": ") +
                            texts.text("RecordNo ", "Record No.") + plus +
                            texts.text("RecordTrack ", "Record Track") + plus +
                            texts.text("Date", "Date") + plus + texts.text("Time", "Time") + plus);
    // A date and a time share a label; the description tells them apart.
    const QString date = texts.text("Date", "Date"), time = texts.text("Time", "Time");
    for (QWidget* w : {static_cast<QWidget*>(startDate_), static_cast<QWidget*>(endDate_)})
        w->setAccessibleDescription(date);
    startTime_->setAccessibleName(static_cast<QLabel*>(controls_.at(kStartLabel))->text());
    endTime_->setAccessibleName(static_cast<QLabel*>(controls_.at(kEndLabel))->text());
    for (QWidget* w : {static_cast<QWidget*>(startTime_), static_cast<QWidget*>(endTime_)})
        w->setAccessibleDescription(time);
    close_->setAccessibleLabel(texts.text("Close ", "Close"));
    title_ = texts.text("AddRecordTask", "AddRecordTask");
    update();
}

bool CAddTaskDlg::processMessage(const Message& m, intptr_t& result) {
    if (m.msg != msg::Command)
        return false;
    result = 0;
    switch (m.wParam) {
    case kIdOk:
        OnOK();
        return true;
    case kIdCancel:
    case kClose:
        done(int(m.wParam));
        return true;
    default:
        return false;
    }
}

void CAddTaskDlg::OnEventKind() {
    const bool repeating = repeat_->isChecked();
    startDate_->setEnabled(!repeating);
    endDate_->setEnabled(false);
    for (QCheckBox* box : days_)
        box->setEnabled(repeating);
}

void CAddTaskDlg::SyncEndDate() {
    const QTime s = startTime_->time();
    const QTime e = endTime_->time();
    const LocalTime end = TaskEditorRules::EndDate(localOf(startDate_->date()), s.hour(),
                                                   s.minute(), e.hour(), e.minute());
    endDate_->setDate(dateOf(end));
}

TaskEditorRules::Draft CAddTaskDlg::ReadDraft() const {
    TaskEditorRules::Draft d;
    d.repeat = repeat_->isChecked();
    if (d.repeat)
        for (int k = 0; k < 7; ++k)
            if (days_[size_t(k)]->isChecked())
                d.weekdays |= uint8_t(1u << k);
    d.startWeekday = startDate_->date().dayOfWeek() % 7;
    d.startText = (startDate_->text() + QLatin1Char(' ') + startTime_->text()).toStdString();
    d.endText = (endDate_->text() + QLatin1Char(' ') + endTime_->text()).toStdString();
    return d;
}

void CAddTaskDlg::Refuse(const QString& text, QWidget* focus) {
    if (report_)
        report_(this, text);
    else
        QMessageBox::information(this, QString(), text);
    (focus ? focus : startDate_)->setFocus();
}

void CAddTaskDlg::OnOK() {
    fileNameText = fileName_->text().toStdString();
    const TaskEditorRules::Draft draft = ReadDraft();
    repeat = draft.repeat ? 1 : 0;
    weekdays = draft.weekdays;
    startWeekday = uint8_t(draft.startWeekday);
    startText = draft.startText;
    endText = draft.endText;
    if (!TaskEditorRules::InOrder(draft)) {
        Refuse(QStringLiteral("Error!"));
        return;
    }
    // A repeat task without a weekday would never record, yet count as a task ahead.
    if (draft.repeat && draft.weekdays == 0) {
        Refuse(LanguageTexts(config_, LanguageTexts::kMessage)
                   .text("No weekday", "A repeat task needs at least one weekday. Please tick "
                                       "the days on which it should record."),
               days_[0]);
        return;
    }
    std::vector<Task> stored;
    ADORecordset rs;
    const Statement statement = isEdit ? CatalogueStatements::tasksWithoutMarker(editMarker)
                                       : CatalogueStatements::tasksLatestFirst();
    // A table that cannot be read lets the task pass.
    if (rs.Open(catalogue_, statement))
        for (; !rs.IsBOF() && !rs.IsEOF(); rs.MoveNext())
            stored.push_back(Task::FromRow(rs));
    if (TaskEditorRules::Overlaps(draft, stored)) {
        Refuse(LanguageTexts(config_, LanguageTexts::kMessage).text("Repeat Task", "Repeat Task"));
        return;
    }
    done(kIdOk);
}

} // namespace vorlane
