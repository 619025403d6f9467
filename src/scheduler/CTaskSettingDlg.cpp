#include "scheduler/CTaskSettingDlg.h"

#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueStatements.h"
#include "config/ConfigManger.h"
#include "platform/Messages.h"
#include "scheduler/CAddTaskDlg.h"
#include "scheduler/TaskEditorRules.h"
#include "scheduler/TaskModel.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/LanguageTexts.h"
#include "ui/SkinLayout.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <algorithm>

namespace vorlane {

namespace {
// On BK30.bmp's card, clear of its border, above the button row.
constexpr QRect kListPlace{16, 62, 595, 222};
constexpr QRect kEndTypeLabelPlace{16, 292, 220, 24};
constexpr QRect kEndTypePlace{240, 290, 230, 24};

struct Column {
    const char* key;
    const char* def;
};
constexpr Column kHeaders[CTaskSettingDlg::kColumns] = {
    {"StartTime ", "StartTime"}, {"EndTime ", "EndTime"},  {"Repeats ", "Repeats"},
    {"MondayS ", "Monday"},      {"TuesdayS ", "Tuesday"}, {"WednesdayS ", "Wednesday"},
    {"ThursdayS ", "Thursday"},  {"FridayS ", "Friday"},   {"SaturdayS ", "Saturday"},
    {"SundayS ", "Sunday"}};

// The editor's choice as a stored task.
Task taskOf(const CAddTaskDlg& editor, const std::string& test) {
    Task t;
    t.startTime = editor.startText;
    t.endTime = editor.endText;
    t.dayOfWeek = editor.startWeekday;
    t.test = test;
    t.fileName = editor.fileNameText;
    t.repeats = editor.repeat != 0;
    for (int k = 0; k < 7; ++k)
        t.days[size_t(k)] = (editor.weekdays >> k) & 1;
    return t;
}
} // namespace

std::unique_ptr<CTaskSettingDlg> CTaskSettingDlg::Create(ConfigManger& config,
                                                         ADOConnection& catalogue,
                                                         WindowHandle panel, QWidget* parent,
                                                         QString* error) {
    std::unique_ptr<CTaskSettingDlg> dialog(new CTaskSettingDlg(config, catalogue, panel, parent));
    return dialog->Load(error) ? std::move(dialog) : nullptr;
}

CTaskSettingDlg::CTaskSettingDlg(ConfigManger& config, ADOConnection& catalogue, WindowHandle panel,
                                 QWidget* parent)
    : SkinnedDialog(parent, skin::kTaskListBackground, Modality::Modeless), config_(config),
      catalogue_(catalogue), panel_(panel) {
    setClosedNotice(panel, 0);
    // A window of its own beside the panel, which may be hidden to the tray.
    setWindowFlags(Qt::Window);
    buildControls();
}

CTaskSettingDlg::~CTaskSettingDlg() {
    MessageWindow::destroy();
}

bool CTaskSettingDlg::Load(QString* error) {
    if (!openSkinned(config_.SkinFolder, "the task list", error))
        return false;
    skinButtons();
    Refresh();
    return true;
}

void CTaskSettingDlg::buildControls() {
    list_ = addList(kList, kColumns);
    list_->setGeometry(kListPlace);
    list_->setShowGrid(true);
    endTypeLabel_ = new QLabel(this);
    endTypeLabel_->setGeometry(kEndTypeLabelPlace);
    controls_[kEndTypeLabel] = endTypeLabel_;
    endType_ = new QComboBox(this);
    endType_->setGeometry(kEndTypePlace);
    controls_[kEndType] = endType_;
    connect(endType_, &QComboBox::currentIndexChanged, this, &CTaskSettingDlg::OnEndTypeChanged);
    close_ = addButton(kClose);
    new_ = addButton(kNew);
    edit_ = addButton(kEdit);
    delete_ = addButton(kDelete);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { OnEdit(); });
    // Screen readers name the choice by its label; Tab ends at the close button.
    endTypeLabel_->setBuddy(endType_);
    setTabOrder(delete_, close_);
}

void CTaskSettingDlg::OnEnter() {
    if (list_->hasFocus())
        OnEdit();
}

void CTaskSettingDlg::skinButtons() {
    skinButtonRow({new_, edit_, delete_});
    skinCloseButton(close_);
}

int CTaskSettingDlg::ColumnWidthFor(const QString& header,
                                    std::initializer_list<QString> cells) const {
    // The margins that the list draws around a cell's text and a header's title, and a
    // little air.
    QStyle* style = list_->style();
    const int cellMargin =
        2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1);
    QHeaderView* top = list_->horizontalHeader();
    const int headerMargin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, top);
    constexpr int kAir = 2;
    int width = top->fontMetrics().horizontalAdvance(header) + headerMargin;
    for (const QString& cell : cells)
        width = std::max(width, list_->fontMetrics().horizontalAdvance(cell) + cellMargin);
    return width + kAir;
}

void CTaskSettingDlg::Refresh() {
    const LanguageTexts texts(config_, LanguageTexts::kWindowText);
    new_->setCaption(texts.text("New ", "New"));
    edit_->setCaption(texts.text("Edit ", "Edit"));
    delete_->setCaption(texts.text("Delete ", "Delete"));
    selectedText_ = texts.text("Selected", "Y");
    unselectedText_ = texts.text("Unselected", "N");
    title_ = texts.text("TaskSet ", "Task");
    list_->setAccessibleName(title_);
    close_->setAccessibleLabel(texts.text("Close ", "Close"));

    list_->setRowCount(0);
    const QString time = QStringLiteral("0000-00-00 00:00");
    for (int c = 0; c < kColumns; ++c) {
        const QString header = texts.text(kHeaders[c].key, kHeaders[c].def);
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(header));
        const int least = c < 2 ? 110 : c == 2 ? 60 : 32;
        list_->setColumnWidth(
            c, std::max(least, c < 2 ? ColumnWidthFor(header, {time})
                                     : ColumnWidthFor(header, {selectedText_, unselectedText_})));
    }
    ADORecordset rs;
    if (rs.Open(catalogue_, CatalogueStatements::tasksEarliestFirst()))
        for (; !rs.IsBOF() && !rs.IsEOF(); rs.MoveNext()) {
            const int row = list_->rowCount();
            list_->insertRow(row);
            SetRow(row, Task::FromRow(rs));
        }
    if (list_->rowCount() > 0)
        list_->selectRow(0);

    endTypeLabel_->setText(
        texts.text("After Scheduler Recording: ", "After Scheduler Recording: "));
    filling_ = true;
    endType_->clear();
    endType_->addItem(texts.text("Keep the live radio ", "Keep the live radio"));
    endType_->addItem(texts.text("Shut-down PC ", "Shut-down PC"));
    const int endType = config_.RecordEndType.load();
    endType_->setCurrentIndex(endType == 0 || endType == 1 ? endType : -1);
    filling_ = false;
    update();
}

void CTaskSettingDlg::SetRow(int row, const Task& task) {
    auto cell = [&](int column, const QString& text) {
        list_->setItem(row, column, new QTableWidgetItem(text));
    };
    cell(0, QString::fromStdString(task.startTime));
    cell(1, QString::fromStdString(task.endTime));
    cell(2, task.repeats ? selectedText_ : unselectedText_);
    for (int k = 0; k < 7; ++k)
        cell(3 + k, task.days[size_t(k)] ? selectedText_ : unselectedText_);
}

std::unique_ptr<CAddTaskDlg> CTaskSettingDlg::MakeEditor() {
    QWidget* owner = QApplication::activeWindow();
    QString error;
    auto editor = CAddTaskDlg::Create(config_, catalogue_, owner ? owner : this, &error);
    if (!editor)
        std::fprintf(stderr, "Vorlane: the task editor cannot be shown: %s\n",
                     error.toLocal8Bit().constData());
    return editor;
}

int CTaskSettingDlg::RunEditor(CAddTaskDlg& editor) {
    return runEditor_ ? runEditor_(editor) : editor.exec();
}

void CTaskSettingDlg::OnNew() {
    auto editor = MakeEditor();
    if (!editor)
        return;
    editor->isEdit = 0;
    editor->repeat = 0;
    editor->weekdays = 0x7F;
    editor->Init();
    if (RunEditor(*editor) != CAddTaskDlg::kIdOk)
        return;
    const Task task = taskOf(*editor, std::string());
    ADORecordset rs;
    bool stored = rs.Open(catalogue_, CatalogueStatements::tasksLatestFirst());
    if (stored) {
        rs.AddNew();
        task.ToRow(rs);
        stored = rs.Update();
    }
    // The list shows only what will record.
    if (!stored) {
        TellNotSaved(rs);
        return;
    }
    const int row = list_->rowCount();
    list_->insertRow(row);
    SetRow(row, task);
}

QString CTaskSettingDlg::Reason(const ADORecordset& rs) const {
    return rs.LastError().empty() ? QStringLiteral("the catalogue cannot be read")
                                  : QString::fromStdString(rs.LastError());
}

void CTaskSettingDlg::TellNotSaved(const ADORecordset& rs) {
    Tell(LanguageTexts(config_, LanguageTexts::kMessage)
             .text("Task not saved", "The task could not be saved, so it will not record (%1).")
             .arg(Reason(rs)));
}

void CTaskSettingDlg::Tell(const QString& text) {
    std::fprintf(stderr, "Vorlane: %s\n", text.toLocal8Bit().constData());
    if (report_)
        report_(this, text);
    else
        QMessageBox::warning(this, QString(), text);
}

void CTaskSettingDlg::OnEdit() {
    const int row = list_->currentRow();
    if (row < 0 || !list_->item(row, 0) || !list_->item(row, 1))
        return;
    const std::string start = list_->item(row, 0)->text().toStdString();
    const std::string end = list_->item(row, 1)->text().toStdString();
    ADORecordset rs;
    if (!rs.Open(catalogue_, CatalogueStatements::taskByTimes(start, end)) || rs.IsBOF())
        return;
    rs.MoveFirst();
    const Task stored = Task::FromRow(rs);
    auto editor = MakeEditor();
    if (!editor)
        return;
    editor->isEdit = 1;
    editor->startText = stored.startTime;
    editor->endText = stored.endTime;
    editor->fileNameText = stored.fileName;
    editor->repeat = stored.repeats ? 1 : 0;
    editor->weekdays = stored.weekdayMask();
    // The marker keeps the task out of its own overlap check while it is edited.
    editor->editMarker = TaskEditorRules::EditMarker(
        Clock::current().localTime(), int(QRandomGenerator::global()->bounded(32768)));
    rs.PutText("Test", editor->editMarker);
    // A task whose marker cannot be written cannot take a change either.
    if (!rs.Update()) {
        TellNotSaved(rs);
        return;
    }
    editor->Init();
    if (RunEditor(*editor) == CAddTaskDlg::kIdOk) {
        const Task changed = taskOf(*editor, std::string());
        changed.ToRow(rs);
        if (rs.Update())
            SetRow(row, changed);
        else
            TellNotSaved(rs);
    } else {
        rs.PutText("Test", std::string());
        rs.Update();
    }
}

void CTaskSettingDlg::OnDelete() {
    const int row = list_->currentRow();
    if (row < 0 || !list_->item(row, 0) || !list_->item(row, 1))
        return;
    ADORecordset rs;
    bool gone = rs.Open(
        catalogue_, CatalogueStatements::taskByTimes(list_->item(row, 0)->text().toStdString(),
                                                     list_->item(row, 1)->text().toStdString()));
    // A row that is not in the table any more goes from the list too.
    if (gone && !rs.IsBOF()) {
        rs.MoveFirst();
        gone = rs.Delete();
    }
    if (!gone) {
        Tell(LanguageTexts(config_, LanguageTexts::kMessage)
                 .text("Task not deleted",
                       "The task could not be deleted, so it will still record (%1).")
                 .arg(Reason(rs)));
        return;
    }
    list_->removeRow(row);
}

void CTaskSettingDlg::OnEndTypeChanged(int index) {
    if (filling_ || index < 0)
        return;
    config_.RecordEndType = index;
    ConfigManger::WriteSetting("Option", "Record End Type", index);
}

bool CTaskSettingDlg::processMessage(const Message& m, intptr_t& result) {
    if (m.msg != msg::Command)
        return false;
    result = 0;
    switch (m.wParam) {
    case kIdCancel:
    case kClose:
        OnClose();
        return true;
    case kNew:
        OnNew();
        return true;
    case kEdit:
        OnEdit();
        return true;
    case kDelete:
        OnDelete();
        return true;
    default:
        return false;
    }
}

} // namespace vorlane
