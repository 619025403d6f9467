#include "PumpUntil.h"
#include "SchedulerRig.h"
#include "SettingsTestSupport.h"
#include "SqlFile.h"
#include "scheduler/CAddTaskDlg.h"
#include "scheduler/CTaskSettingDlg.h"
#include "scheduler/TaskEditorRules.h"
#include "ui/CRegionBmpBtn.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimeEdit>

using namespace vorlane;
using namespace vorlane::test;

namespace {

TaskEditorRules::Draft draft(const std::string& start, const std::string& end, bool repeat = false,
                             uint8_t mask = 0) {
    TaskEditorRules::Draft d;
    d.startText = start;
    d.endText = end;
    d.repeat = repeat;
    d.weekdays = repeat ? mask : 0;
    d.startWeekday = TaskTimes::ParseMinuteText(start)->weekday;
    return d;
}

class TaskDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CatalogueOpener::open(db, (s.home / "Resource/NewData.mdb").string()).opened);
        Clock::install(&clock);
        clock.setLocalTime(at(2026, 12, 5, 9, 15));
    }
    void TearDown() override { Clock::install(nullptr); }

    std::vector<Task> stored() {
        std::vector<Task> out;
        ADORecordset rs;
        if (rs.Open(db, {"select * from TaskFile", {}}))
            for (; !rs.IsBOF() && !rs.IsEOF(); rs.MoveNext())
                out.push_back(Task::FromRow(rs));
        return out;
    }
    std::unique_ptr<CAddTaskDlg> editor() {
        QString error;
        auto e = CAddTaskDlg::Create(s.config, db, nullptr, &error);
        EXPECT_TRUE(e) << error.toStdString();
        e->setMessageReporter([this](QWidget*, const QString& text) { messages.push_back(text); });
        return e;
    }
    // Types a task into the editor's controls as the user would.
    static void type(CAddTaskDlg& e, const QDate& date, const QTime& start, const QTime& end) {
        qobject_cast<QDateEdit*>(e.control(CAddTaskDlg::kStartDate))->setDate(date);
        qobject_cast<QTimeEdit*>(e.control(CAddTaskDlg::kStartTime))->setTime(start);
        qobject_cast<QTimeEdit*>(e.control(CAddTaskDlg::kEndTime))->setTime(end);
    }
    static QDate endDate(CAddTaskDlg& e) {
        return qobject_cast<QDateEdit*>(e.control(CAddTaskDlg::kEndDate))->date();
    }

    SettingsHome s;
    ADOConnection db;
    FakeClock clock;
    std::vector<QString> messages;
};

} // namespace

TEST(TaskEditorRules, OverlapExamples) {
    struct Case {
        Task stored;
        TaskEditorRules::Draft fresh;
        bool overlaps;
    };
    const Case cases[] = {
        // Single tasks on the same day, and on the next.
        {makeTask("2026-12-05 10:00", "2026-12-05 11:00"),
         draft("2026-12-05 10:30", "2026-12-05 11:30"), true},
        {makeTask("2026-12-05 10:00", "2026-12-05 11:00"),
         draft("2026-12-06 10:30", "2026-12-06 11:30"), false},
        // A repeat task on Mondays against single tasks on a Monday and a Tuesday.
        {makeTask("2026-12-07 08:00", "2026-12-07 09:00", true, kMon),
         draft("2026-12-14 08:30", "2026-12-14 09:30"), true},
        {makeTask("2026-12-07 08:00", "2026-12-07 09:00", true, kMon),
         draft("2026-12-15 08:30", "2026-12-15 09:30"), false},
        // A single Sunday task against a repeat task on Sundays.
        {makeTask("2026-12-06 20:00", "2026-12-06 21:00"),
         draft("2026-12-06 20:30", "2026-12-06 21:30", true, kSun), true},
        {makeTask("2026-12-06 20:00", "2026-12-06 21:00"),
         draft("2026-12-06 20:30", "2026-12-06 21:30", true, kTue), false},
        // Across midnight: a task from 00:30 on the day the stored one ends.
        {makeTask("2026-12-05 23:00", "2026-12-06 01:00"),
         draft("2026-12-06 00:30", "2026-12-06 01:30"), true},
        // Back to back is no overlap.
        {makeTask("2026-12-05 10:00", "2026-12-05 11:00"),
         draft("2026-12-05 11:00", "2026-12-05 12:00"), false},
        // Repeat against repeat: shared weekdays only.
        {makeTask("2026-12-07 08:00", "2026-12-07 09:00", true, kMon | kTue),
         draft("2026-12-07 08:30", "2026-12-07 09:30", true, kTue), true},
        {makeTask("2026-12-07 08:00", "2026-12-07 09:00", true, kMon),
         draft("2026-12-07 08:30", "2026-12-07 09:30", true, kSun), false},
        {makeTask("2026-12-07 08:00", "2026-12-07 09:00", true, kMon),
         draft("2026-12-07 09:00", "2026-12-07 10:00", true, kMon), false},
        // Single tasks across midnight, either way.
        {makeTask("2026-12-06 00:30", "2026-12-06 01:30"),
         draft("2026-12-05 23:00", "2026-12-06 01:00"), true},
        {makeTask("2026-12-05 23:00", "2026-12-06 01:00"),
         draft("2026-12-05 00:30", "2026-12-05 01:00"), false},
        {makeTask("2026-12-05 23:00", "2026-12-06 01:00"),
         draft("2026-12-06 22:30", "2026-12-06 23:30"), false},
        {makeTask("2026-12-05 23:00", "2026-12-06 01:00"),
         draft("2026-12-06 01:00", "2026-12-06 02:00"), false},
        {makeTask("2026-12-05 23:00", "2026-12-06 01:00"),
         draft("2026-12-05 22:00", "2026-12-06 02:00"), true},
        // A whole day.
        {makeTask("2026-12-05 10:00", "2026-12-06 10:00"),
         draft("2026-12-05 20:00", "2026-12-05 21:00"), true},
        {makeTask("2026-12-05 10:00", "2026-12-06 10:00"),
         draft("2026-12-06 10:00", "2026-12-06 11:00"), false},
        // Repeat tasks across midnight into the next weekday, and from Sunday into Monday.
        {makeTask("2026-12-07 23:00", "2026-12-08 01:00", true, kMon),
         draft("2026-12-08 00:30", "2026-12-08 02:00", true, kTue), true},
        {makeTask("2026-12-07 23:00", "2026-12-08 01:00", true, kMon),
         draft("2026-12-08 00:30", "2026-12-08 02:00", true, kMon), false},
        {makeTask("2026-12-06 23:00", "2026-12-07 01:00", true, kSun),
         draft("2026-12-14 00:30", "2026-12-14 00:45"), true},
        {makeTask("2026-12-08 00:00", "2026-12-08 01:00", true, kTue),
         draft("2026-12-07 23:30", "2026-12-08 00:30"), true},
        {makeTask("2026-12-08 00:15", "2026-12-08 00:45"),
         draft("2026-12-07 23:00", "2026-12-08 01:00", true, kMon), true},
        {makeTask("2026-12-08 00:15", "2026-12-08 00:45"),
         draft("2026-12-07 23:00", "2026-12-08 01:00", true, kTue), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TaskEditorRules::Overlaps(c.fresh, c.stored), c.overlaps)
            << c.stored.startTime << " to " << c.stored.endTime
            << (c.stored.repeats ? " (repeat)" : "") << " against " << c.fresh.startText << " to "
            << c.fresh.endText << (c.fresh.repeat ? " (repeat)" : "");
}

TEST_F(TaskDialogs, EditorProposesAnHourAndDerivesTheEndDate) {
    clock.setLocalTime(at(2026, 12, 31, 23, 30));
    auto e = editor();
    e->Init();
    EXPECT_TRUE(e->isModal());
    EXPECT_EQ(endDate(*e), QDate(2027, 1, 1));
    EXPECT_EQ(qobject_cast<QTimeEdit*>(e->control(CAddTaskDlg::kEndTime))->time(), QTime(0, 30));
    EXPECT_FALSE(e->control(CAddTaskDlg::kEndDate)->isEnabled());

    struct Case {
        QDate date;
        QTime start, end;
        QDate expectedEnd;
    };
    const Case cases[] = {
        {QDate(2026, 12, 5), QTime(22, 0), QTime(1, 0), QDate(2026, 12, 6)},
        {QDate(2026, 12, 5), QTime(10, 0), QTime(10, 0), QDate(2026, 12, 6)}, // 24 hours
        {QDate(2026, 12, 5), QTime(10, 0), QTime(10, 1), QDate(2026, 12, 5)},
        {QDate(2026, 12, 31), QTime(22, 0), QTime(1, 0), QDate(2027, 1, 1)},
        {QDate(2028, 2, 28), QTime(23, 0), QTime(0, 0), QDate(2028, 2, 29)},
    };
    for (const Case& c : cases) {
        type(*e, c.date, c.start, c.end);
        EXPECT_EQ(endDate(*e), c.expectedEnd) << c.date.toString().toStdString();
    }
    // Equal times are a whole day, which OK accepts.
    type(*e, QDate(2026, 12, 5), QTime(10, 0), QTime(10, 0));
    e->OnOK();
    EXPECT_EQ(e->result(), CAddTaskDlg::kIdOk);
    EXPECT_EQ(e->startText, "2026-12-05 10:00");
    EXPECT_EQ(e->endText, "2026-12-06 10:00");
    EXPECT_TRUE(messages.empty());
}

TEST_F(TaskDialogs, EditorRefusesAnEndBeforeTheStartAndAnOverlap) {
    auto e = editor();
    e->startText = "2026-12-05 10:00";
    e->endText = "2026-12-05 09:00";
    e->Init();
    e->OnOK();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error!");
    EXPECT_NE(e->result(), CAddTaskDlg::kIdOk);

    storeTask(db, makeTask("2026-12-05 10:00", "2026-12-05 11:00"));
    type(*e, QDate(2026, 12, 5), QTime(10, 30), QTime(11, 30));
    e->OnOK();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].contains("overlaps")) << messages[1].toStdString();
    EXPECT_NE(e->result(), CAddTaskDlg::kIdOk);

    type(*e, QDate(2026, 12, 6), QTime(10, 30), QTime(11, 30));
    e->OnOK();
    EXPECT_EQ(e->result(), CAddTaskDlg::kIdOk);
    EXPECT_EQ(e->startWeekday, 0); // a Sunday
}

TEST_F(TaskDialogs, RepeatEventDisablesTheDateAndKeepsItsDays) {
    auto e = editor();
    e->repeat = 1;
    e->weekdays = kMon | kSun;
    e->Init();
    EXPECT_FALSE(e->control(CAddTaskDlg::kStartDate)->isEnabled());
    EXPECT_TRUE(e->control(CAddTaskDlg::kMonday)->isEnabled());
    qobject_cast<QRadioButton*>(e->control(CAddTaskDlg::kSingle))->setChecked(true);
    EXPECT_TRUE(e->control(CAddTaskDlg::kStartDate)->isEnabled());
    EXPECT_FALSE(e->control(CAddTaskDlg::kMonday)->isEnabled());
    qobject_cast<QRadioButton*>(e->control(CAddTaskDlg::kRepeat))->setChecked(true);
    e->OnOK();
    EXPECT_EQ(e->result(), CAddTaskDlg::kIdOk);
    EXPECT_EQ(e->repeat, 1);
    EXPECT_EQ(e->weekdays, kMon | kSun);
}

TEST_F(TaskDialogs, RepeatEventWithoutAWeekdayIsRefused) {
    auto e = editor();
    e->repeat = 1;
    e->weekdays = 0;
    e->Init();
    e->OnOK();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("at least one weekday")) << messages[0].toStdString();
    EXPECT_NE(e->result(), CAddTaskDlg::kIdOk);
    qobject_cast<QCheckBox*>(e->control(CAddTaskDlg::kMonday + 4))->setChecked(true);
    e->OnOK();
    EXPECT_EQ(e->result(), CAddTaskDlg::kIdOk);
    EXPECT_EQ(e->weekdays, kFri);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(TaskDialogs, TaskListNewEditDelete) {
    PanelStub panel(s.config);
    QString error;
    auto list = CTaskSettingDlg::Create(s.config, db, panel.handle(), nullptr, &error);
    ASSERT_TRUE(list) << error.toStdString();
    EXPECT_FALSE(list->isModal());
    list->show();
    QTableWidget* table = list->list();
    EXPECT_EQ(table->rowCount(), 0);
    list->OnEdit(); // nothing to edit or delete
    list->OnDelete();

    // New: the editor's task is stored, and appended even though it starts earlier.
    storeTask(db, makeTask("2026-12-09 10:00", "2026-12-09 11:00"));
    list->Refresh();
    list->setEditorRunner([&](CAddTaskDlg& e) {
        type(e, QDate(2026, 12, 8), QTime(20, 0), QTime(21, 0));
        qobject_cast<QLineEdit*>(e.control(CAddTaskDlg::kFileName))->setText("Jazz Hour");
        e.OnOK();
        return e.result();
    });
    list->OnNew();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(1, 0)->text(), "2026-12-08 20:00");
    EXPECT_EQ(table->item(1, 2)->text(), "No");
    auto rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].fileName, "Jazz Hour");
    EXPECT_EQ(rows[1].dayOfWeek, 2);
    EXPECT_EQ(rows[1].test, "");
    list->Refresh();
    EXPECT_EQ(table->item(0, 0)->text(), "2026-12-08 20:00"); // sorted now

    // Edit and Cancel: the marker is there while the editor runs, and gone after.
    std::string markerWhileEditing;
    list->setEditorRunner([&](CAddTaskDlg& e) {
        for (const Task& t : stored())
            if (!t.test.empty())
                markerWhileEditing = t.test;
        EXPECT_EQ(markerWhileEditing, e.editMarker);
        return int(CAddTaskDlg::kIdCancel);
    });
    table->selectRow(0);
    list->OnEdit();
    EXPECT_FALSE(markerWhileEditing.empty());
    for (const Task& t : stored())
        EXPECT_EQ(t.test, "");

    // Edit and OK with the times unchanged: the task does not overlap itself.
    list->setEditorRunner([&](CAddTaskDlg& e) {
        qobject_cast<QTimeEdit*>(e.control(CAddTaskDlg::kEndTime))->setTime(QTime(22, 0));
        e.OnOK();
        return e.result();
    });
    list->OnEdit();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table->item(0, 1)->text(), "2026-12-08 22:00");
    rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].endTime, "2026-12-08 22:00");
    EXPECT_EQ(rows[1].fileName, "Jazz Hour");

    // Two equal rows: Del takes one of them.
    storeTask(db, makeTask("2026-12-09 10:00", "2026-12-09 11:00"));
    list->Refresh();
    ASSERT_EQ(table->rowCount(), 3);
    table->selectRow(1);
    list->OnDelete();
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(stored().size(), 2u);

    // The after-recording choice is written at once; closing tells the panel.
    qobject_cast<QComboBox*>(list->control(CTaskSettingDlg::kEndType))->setCurrentIndex(1);
    EXPECT_EQ(s.config.RecordEndType, 1);
    EXPECT_EQ(s.option("Record End Type"), "1");
    qobject_cast<CRegionBmpBtn*>(list->control(CTaskSettingDlg::kClose))->click();
    pumpFor(50);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(panel.count(msg::ToolDialogClosed, 0), 1);
}

TEST_F(TaskDialogs, TaskListShowsWhatIsStoredWhenTheCatalogueRefusesAChange) {
    PanelStub panel(s.config);
    QString error;
    auto list = CTaskSettingDlg::Create(s.config, db, panel.handle(), nullptr, &error);
    ASSERT_TRUE(list) << error.toStdString();
    list->setMessageReporter([this](QWidget*, const QString& text) { messages.push_back(text); });
    QTableWidget* table = list->list();
    storeTask(db, makeTask("2026-12-09 10:00", "2026-12-09 11:00"));
    list->Refresh();
    ASSERT_EQ(table->rowCount(), 1);

    // The catalogue takes no change, as on a full disk.
    const auto file = s.home / "Resource/NewData.mdb";
    for (const char* what : {"insert", "update", "delete"})
        execSql(file,
                std::string("create trigger refuse_") + what + " before " + what +
                    " on TaskFile begin select raise(abort, 'database or disk is full'); end;");
    list->setEditorRunner([&](CAddTaskDlg& e) {
        type(e, QDate(2026, 12, 10), QTime(20, 0), QTime(21, 0));
        e.OnOK();
        return e.result();
    });
    list->OnNew();
    EXPECT_EQ(table->rowCount(), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("could not be saved")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("full")) << messages[0].toStdString();

    table->selectRow(0);
    list->OnEdit();
    EXPECT_EQ(table->item(0, 0)->text(), "2026-12-09 10:00");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].contains("could not be saved")) << messages[1].toStdString();

    list->OnDelete();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 0)->text(), "2026-12-09 10:00");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(messages[2].contains("could not be deleted")) << messages[2].toStdString();
    EXPECT_EQ(stored().size(), 1u);

    // Once it takes changes again, Del removes the task from both.
    execSql(file, "drop trigger refuse_delete;");
    list->OnDelete();
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(messages.size(), 3u);
}

TEST_F(TaskDialogs, MissingBackgroundsAreReportedNotShown) {
    s.config.SkinFolder = (s.home / "no-skin/").string();
    QString error;
    EXPECT_FALSE(CAddTaskDlg::Create(s.config, db, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(CTaskSettingDlg::Create(s.config, db, 0, nullptr, &error));
    EXPECT_TRUE(error.contains("BK30")) << error.toStdString();
}
