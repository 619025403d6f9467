#include "E2eSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "app/Application.h"
#include "recording/RecordingController.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRivorAzururuFrame.h"
#include "ui/PanelLayout.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QtTest/QTest>
#include <csignal>
#include <random>
#include <string>

using namespace vorlane;
using namespace vorlane::test;

namespace {

// The visible note whose text holds `part`, if any.
QMessageBox* noteWith(const QString& part) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w);
            box && box->isVisible() && box->text().contains(part))
            return box;
    return nullptr;
}

} // namespace

// The real program in this process, started on a catalogue of random bytes: the file is set
// aside and the user told so by a note that leaves the panel usable. The record button is
// clicked through the window system, which a modal box would hold back.
TEST(StartupNotes, TheSetAsideCatalogueNoteLeavesTheRecordButtonWorking) {
    TestProgramFolder folder;
    useToneSession(folder, {{30, 440}});
    std::mt19937 random(7);
    std::string junk(16384, '\0');
    for (char& c : junk)
        c = static_cast<char>(random());
    folder.writeFile("Resource/NewData.mdb", junk);

    Application app;
    ASSERT_EQ(app.start(), Application::StartResult::Running);
    CRivorAzururuFrame& panel = *app.panel();
    QMessageBox* note = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (note = noteWith(QStringLiteral("NewData.mdb"))); }, 5000));
    EXPECT_TRUE(note->text().contains(QStringLiteral(".damaged-"))) << note->text().toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    RecordingController& controller = panel.controller();
    ASSERT_TRUE(pumpUntil([&] { return controller.DevicePresent(); }, 15000))
        << "the simulated device was never announced";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    CRegionBmpBtn* record = panel.button(panel::kRecordStart);
    ASSERT_NE(record, nullptr);
    QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {},
                      record->mapTo(&panel, record->rect().center()));
    EXPECT_TRUE(pumpUntil([&] { return controller.Recording(); }, 5000))
        << "the click on the record button did not reach it";
    EXPECT_TRUE(note->isVisible());

    ::raise(SIGTERM);
    ASSERT_TRUE(pumpUntil([&] { return app.panel() == nullptr; }, 10000));
}
