// What a screen reader finds in every window, in each shipped language: a name for every
// control, and each field tied to its label; and how the tool dialogs take Tab, Enter and
// Escape.

#include "PanelTestSupport.h"
#include "PumpUntil.h"
#include "SettingsTestSupport.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueStatements.h"
#include "playback/CPlayFileDlg.h"
#include "scheduler/CAddTaskDlg.h"
#include "scheduler/CTaskSettingDlg.h"
#include "scheduler/TaskModel.h"
#include "ui/CAboutDlg.h"
#include "ui/CGenreerSettingDlg.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CSysSettingDlg.h"
#include "ui/LanguageTexts.h"
#include "ui/PanelLayout.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <fstream>
#include <map>

namespace vorlane::test {
namespace {

bool isControl(QAccessible::Role role) {
    switch (role) {
    case QAccessible::Button: // also PushButton
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
        return true;
    default:
        return false;
    }
}

bool isField(QAccessible::Role role) {
    return role == QAccessible::EditableText || role == QAccessible::SpinBox ||
           role == QAccessible::ComboBox || role == QAccessible::Slider;
}

// The controls that the accessibility tree of a window holds, hidden ones too.
void collect(QAccessibleInterface* iface, std::vector<QAccessibleInterface*>& out) {
    for (int i = 0; i < iface->childCount(); ++i)
        if (QAccessibleInterface* child = iface->child(i))
            isControl(child->role()) ? out.push_back(child) : collect(child, out);
}

std::string describe(QAccessibleInterface* c) {
    const QObject* o = c->object();
    return std::string(o->metaObject()->className()) + "#" + o->objectName().toStdString();
}

QAccessibleInterface* accessible(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

// The labels that name a control for screen readers.
std::vector<QObject*> labelsOf(QAccessibleInterface* c) {
    std::vector<QObject*> labels;
    for (const auto& [other, relation] : c->relations(QAccessible::Label))
        labels.push_back(other->object());
    return labels;
}

class Accessibility : public PanelTest {
protected:
    // Every control of `window` has a name; a field with a label has that label, as the
    // screen reader's label and, except for a drop-down list (read by its choice), as its
    // name; a field without one has the name of `unlabelled`. Returns the names.
    std::map<QObject*, QString> expectNamed(int language, const char* what, QWidget* window,
                                            std::map<QWidget*, QString> unlabelled = {}) {
        const std::string where = "language " + std::to_string(language) + ", " + what + ": ";
        std::vector<QAccessibleInterface*> controls;
        collect(accessible(window), controls);
        EXPECT_FALSE(controls.empty()) << where;
        std::map<QObject*, QString> names;
        for (QAccessibleInterface* c : controls) {
            const QString name = c->text(QAccessible::Name);
            names[c->object()] = name;
            EXPECT_FALSE(name.trimmed().isEmpty()) << where << describe(c) << " has no name";
            if (!isField(c->role()))
                continue;
            auto* w = static_cast<QWidget*>(c->object());
            const std::vector<QObject*> labels = labelsOf(c);
            if (labels.empty()) {
                auto it = unlabelled.find(w);
                if (it == unlabelled.end()) {
                    ADD_FAILURE() << where << describe(c) << " has no label";
                    continue;
                }
                EXPECT_EQ(w->accessibleName(), it->second) << where << describe(c);
                continue;
            }
            auto* label = qobject_cast<QLabel*>(labels.front());
            if (!label) {
                ADD_FAILURE() << where << describe(c) << " is labelled by something else";
                continue;
            }
            EXPECT_EQ(label->buddy(), w) << where << describe(c);
            if (c->role() != QAccessible::ComboBox) {
                EXPECT_EQ(name, label->text()) << where << describe(c);
            }
        }
        return names;
    }

    QString text(const char* key, const char* def) const {
        return LanguageTexts(config, LanguageTexts::kWindowText).text(key, def);
    }

    void show(QWidget* w) {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(pumpUntil([w] { return w->isActiveWindow(); }, 10000));
    }

    // Tab from the focused control until the focus comes back: the controls on the way.
    static std::vector<QWidget*> tabStops() {
        std::vector<QWidget*> stops{QApplication::focusWidget()};
        for (int i = 0; i < 60; ++i) {
            QWidget* from = QApplication::focusWidget();
            // A time field takes a Tab for each of its parts.
            for (int k = 0; k < 3 && QApplication::focusWidget() == from; ++k)
                QTest::keyClick(from, Qt::Key_Tab);
            if (QApplication::focusWidget() == stops.front())
                break;
            stops.push_back(QApplication::focusWidget());
        }
        return stops;
    }

    void addTask() {
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(catalogue, CatalogueStatements::tasksLatestFirst()));
        Task task;
        task.startTime = "2026-12-31 23:00";
        task.endTime = "2027-01-01 01:00";
        rs.AddNew();
        task.ToRow(rs);
        ASSERT_TRUE(rs.Update()) << rs.LastError();
    }

    // A row whose file is not sound: playing it says "Render err".
    void addRecording() {
        const std::filesystem::path file = folder / "records" / "No.1-1.wav";
        std::ofstream(file) << "not sound";
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(catalogue, CatalogueStatements::recordingsForInsert()));
        rs.AddNew();
        rs.PutText("FileName", "No.1-1.wav");
        rs.PutText("FileFullPathName", file.string());
        rs.PutText("StartTime", "2026-03-05 14:07:09");
        ASSERT_TRUE(rs.Update()) << rs.LastError();
    }
};

} // namespace

TEST_F(Accessibility, EveryControlOfThePanelIsNamedAndTheNamesFollowTheLanguage) {
    config.RecordDiviType = 1; // the division time shows
    makePanel();
    panel->show();
    std::map<QObject*, QString> english;
    for (int language : {3, 0, 1, 2}) {
        ASSERT_TRUE(config.SetLanguageID(language));
        ASSERT_TRUE(deliver(msg::LanguageChanged));
        auto label = [this](int id) { return ctl<QLabel>(id)->text(); };
        const auto names = expectNamed(
            language, "panel", panel.get(),
            {{panel->control(panel::kRecordNoSpin), label(panel::kRecordNoLabel)},
             {panel->control(panel::kRecordTrackSpin), label(panel::kRecordTrackLabel)}});
        EXPECT_EQ(names.at(panel->button(panel::kGenreButton)), label(panel::kGenreLabel));
        if (language == 3) {
            english = names;
            continue;
        }
        // Every name is the language's own, none left over from English.
        for (const auto& [control, name] : names)
            EXPECT_NE(name, english.at(control))
                << "language " << language << ": " << control->objectName().toStdString();
    }
}

TEST_F(Accessibility, EveryControlOfTheDialogsIsNamedInEveryLanguage) {
    PanelStub stub(config);
    ServiceLog log;
    QString error;
    auto settings =
        CSysSettingDlg::Create(config, log.services(stub.handle(), config), nullptr, &error);
    ASSERT_TRUE(settings) << error.toStdString();
    CPlayFileDlg::Services browserServices;
    browserServices.catalogue = &catalogue;
    auto browser = CPlayFileDlg::Create(config, std::move(browserServices), nullptr, &error);
    ASSERT_TRUE(browser) << error.toStdString();
    auto tasks = CTaskSettingDlg::Create(config, catalogue, 0, nullptr, &error);
    ASSERT_TRUE(tasks) << error.toStdString();

    for (int language : {3, 0, 1, 2}) {
        ASSERT_TRUE(config.SetLanguageID(language));
        // The modeless dialogs read their texts again when they are shown.
        for (QWidget* w :
             {static_cast<QWidget*>(settings.get()), static_cast<QWidget*>(browser.get()),
              static_cast<QWidget*>(tasks.get())}) {
            w->hide();
            w->show();
        }
        auto* bitRate = settings->control(CSysSettingDlg::kBitRate);
        expectNamed(language, "settings", settings.get(), {{bitRate, text("Bit Rate ", "")}});
        EXPECT_EQ(accessible(settings->control(CSysSettingDlg::kBrowse))->text(QAccessible::Name),
                  text("Choose Folder ", ""));
        expectNamed(language, "browser", browser.get());
        expectNamed(language, "task list", tasks.get());

        auto editor = CAddTaskDlg::Create(config, catalogue, nullptr, &error);
        ASSERT_TRUE(editor) << error.toStdString();
        editor->Init();
        auto label = [&](int id) { return static_cast<QLabel*>(editor->control(id))->text(); };
        expectNamed(language, "task editor", editor.get(),
                    {{editor->control(CAddTaskDlg::kStartTime), label(CAddTaskDlg::kStartLabel)},
                     {editor->control(CAddTaskDlg::kEndTime), label(CAddTaskDlg::kEndLabel)}});

        CGenreerSettingDlg genre(config);
        const auto names = expectNamed(language, "genre chooser", &genre);
        EXPECT_EQ(names.at(static_cast<QObject*>(genre.list())), genre.windowTitle());
        CAboutDlg about(config);
        expectNamed(language, "about", &about);
    }
}

TEST_F(Accessibility, TheSettingsTabThroughTheirRowsAndTakeEnterAsOkAndEscapeAsCancel) {
    PanelStub stub(config);
    ServiceLog log;
    auto settings = CSysSettingDlg::Create(config, log.services(stub.handle(), config));
    ASSERT_TRUE(settings);
    show(settings.get());
    const std::vector<QWidget*> stops = tabStops();
    auto at = [&](int id) {
        return std::find(stops.begin(), stops.end(), settings->control(id)) - stops.begin();
    };
    EXPECT_EQ(stops.front(), settings->control(CSysSettingDlg::kAutoRun));
    EXPECT_EQ(at(CSysSettingDlg::kBrowse), at(CSysSettingDlg::kPath) + 1);
    ASSERT_GE(stops.size(), 3u);
    EXPECT_EQ(stops.end()[-3], settings->control(CSysSettingDlg::kOk));
    EXPECT_EQ(stops.end()[-2], settings->control(CSysSettingDlg::kCancel));
    EXPECT_EQ(stops.end()[-1], settings->control(CSysSettingDlg::kClose));
    // Each control that takes the focus is visited once.
    for (QWidget* w : settings->findChildren<QWidget*>())
        if (w->parentWidget() == settings.get() && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            EXPECT_EQ(std::count(stops.begin(), stops.end(), w), 1)
                << w->objectName().toStdString();
        }

    // Enter in the folder field is OK; Escape is Cancel.
    auto* path = static_cast<QLineEdit*>(settings->control(CSysSettingDlg::kPath));
    const std::string chosen = (folder / "records" / "other").string();
    path->setText(QString::fromStdString(chosen));
    QTest::keyClick(path, Qt::Key_Return);
    pump();
    EXPECT_FALSE(settings->isVisible());
    EXPECT_EQ(config.RecordFilePath, chosen);
    EXPECT_EQ(stub.count(msg::ToolDialogClosed, 2), 1);
    // Shown again, offscreen does not make it the active window; the keys go to the
    // control all the same.
    settings->show();
    QTest::keyClick(settings->control(CSysSettingDlg::kLanguage), Qt::Key_Escape);
    pump();
    EXPECT_FALSE(settings->isVisible());
    EXPECT_EQ(stub.count(msg::ToolDialogClosed, 2), 2);
}

TEST_F(Accessibility, EnterIsOkInTheTaskEditorAndEditsOrPlaysTheChosenRow) {
    QString error;
    auto editor = CAddTaskDlg::Create(config, catalogue, nullptr, &error);
    ASSERT_TRUE(editor) << error.toStdString();
    editor->Init(); // from now to an hour later: a task that can be stored
    show(editor.get());
    QTest::keyClick(editor->control(CAddTaskDlg::kStartTime), Qt::Key_Return);
    EXPECT_EQ(editor->result(), CAddTaskDlg::kIdOk);
    auto cancelled = CAddTaskDlg::Create(config, catalogue, nullptr, &error);
    cancelled->Init();
    show(cancelled.get());
    QTest::keyClick(cancelled->control(CAddTaskDlg::kFileName), Qt::Key_Escape);
    EXPECT_EQ(cancelled->result(), CAddTaskDlg::kIdCancel);

    // The task list: Enter on a row edits it; Enter elsewhere does nothing.
    addTask();
    auto tasks = CTaskSettingDlg::Create(config, catalogue, 0, nullptr, &error);
    ASSERT_TRUE(tasks) << error.toStdString();
    int edits = 0;
    tasks->setEditorRunner([&edits](CAddTaskDlg&) {
        ++edits;
        return int(CAddTaskDlg::kIdCancel);
    });
    show(tasks.get());
    tasks->list()->setFocus();
    QTest::keyClick(tasks->list(), Qt::Key_Return);
    EXPECT_EQ(edits, 1);
    tasks->control(CTaskSettingDlg::kEndType)->setFocus();
    QTest::keyClick(tasks->control(CTaskSettingDlg::kEndType), Qt::Key_Return);
    EXPECT_EQ(edits, 1);

    // The browser: Enter on a row plays it, here a file that does not play.
    addRecording();
    std::vector<QString> told;
    CPlayFileDlg::Services services;
    services.catalogue = &catalogue;
    services.showMessage = [&told](const QString& text, const QString&) { told.push_back(text); };
    auto browser = CPlayFileDlg::Create(config, std::move(services), nullptr, &error);
    ASSERT_TRUE(browser) << error.toStdString();
    show(browser.get());
    ASSERT_EQ(browser->list()->rowCount(), 1);
    browser->selectRow(0);
    browser->list()->setFocus();
    QTest::keyClick(browser->list(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(pumpUntil([&told] { return !told.empty(); }, 10000));
    EXPECT_EQ(told.front(), QStringLiteral("Render err"));
}

} // namespace vorlane::test
