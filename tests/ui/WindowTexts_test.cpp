// Every window in each shipped language: each text fits its control, no control is in
// another's way, and each stays on the card of the background that it belongs to. Run at
// 100 % and, as WindowTexts.At200Percent, at 200 %.

#include "PanelTestSupport.h"
#include "SettingsTestSupport.h"
#include "TextFit.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueStatements.h"
#include "config/wIniFile.h"
#include "playback/CPlayFileDlg.h"
#include "recording/RecordingTexts.h"
#include "scheduler/CAddTaskDlg.h"
#include "scheduler/CTaskSettingDlg.h"
#include "scheduler/TaskModel.h"
#include "ui/CAboutDlg.h"
#include "ui/CGenreerSettingDlg.h"
#include "ui/CSysSettingDlg.h"
#include "ui/PanelLayout.h"
#include "ui/SkinFont.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QTableWidget>
#include <fstream>

namespace vorlane::test {
namespace {

namespace fs = std::filesystem;

QRect toQRect(const skin::Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

// Inside a card's one-pixel border, with a pixel to spare.
QRect inner(const skin::Rect& r) {
    return toQRect(r).adjusted(2, 2, -2, -2);
}

// The header band of a background, above its accent line.
QRect header(const skin::Background& b) {
    return QRect(0, 0, b.width, b.headerHeight - 2);
}

FitAreas toolAreas(const skin::Background& b) {
    return {{header(b), inner(skin::ContentCard(b))}, {}};
}

FitAreas panelAreas() {
    using namespace panel;
    FitAreas a;
    a.areas = {header(kBackground), inner(kMeterGroup),  toQRect(kStatusBand),
               inner(kButtonGroup), inner(kNumberGroup), inner(kTagGroup)};
    for (const skin::Rect& r : {kWaveLeft, kWaveRight, kMeterLeft, kMeterRight})
        a.painted.push_back(
            toQRect(r).adjusted(-kWellMargin, -kWellMargin, kWellMargin, kWellMargin));
    return a;
}

// The checker itself: it names what is short by the right amount and passes what fits.
TEST(TextFit, ReportsShortTextsOverlapsAndBordersAndPassesWhatFits) {
    QWidget window;
    window.resize(300, 200);
    auto* label = new QLabel(QStringLiteral("Record Track"), &window);
    const int text = label->fontMetrics().horizontalAdvance(label->text());
    label->setGeometry(10, 10, text - 5, 20);
    auto* combo = new QComboBox(&window);
    combo->addItems({QStringLiteral("x"), QStringLiteral("Auto Divide Record with mute")});
    combo->setGeometry(10, 40, 60, 24);
    auto* box = new QCheckBox(QStringLiteral("Silence Recording"), &window);
    box->setGeometry(10, 70, box->sizeHint().width(), 22);
    window.show();

    std::vector<Misfit> m = TextFit::Check(&window, {{QRect(5, 5, 290, 190)}, {}});
    ASSERT_EQ(m.size(), 2u) << TextFit::Describe(m).toStdString();
    EXPECT_EQ(m[0].pixels, 5);
    EXPECT_TRUE(m[0].control.contains("Record Track"));
    EXPECT_TRUE(m[1].problem.contains("Auto Divide Record with mute"));

    label->setGeometry(10, 10, text, 20);
    combo->setGeometry(10, 40, combo->sizeHint().width(), 24);
    EXPECT_TRUE(TextFit::Check(&window, {{QRect(5, 5, 290, 190)}, {}}).empty());

    // The label leaves its card by 2 pixels; the box's text comes within 1 pixel of the
    // combo, which is 1 short of the gap.
    label->move(3, 10);
    box->move(10, combo->geometry().bottom() + 2);
    m = TextFit::Check(&window, {{QRect(5, 5, 290, 190)}, {}});
    ASSERT_EQ(m.size(), 2u) << TextFit::Describe(m).toStdString();
    EXPECT_TRUE(m[0].problem.contains("crosses"));
    EXPECT_EQ(m[0].pixels, 2);
    EXPECT_TRUE(m[1].problem.contains("touches"));
    EXPECT_EQ(m[1].pixels, 1);
}

class WindowTexts : public PanelTest {
protected:
    struct Language {
        int id;
        QString name;
    };

    void SetUp() override {
        PanelTest::SetUp();
        // The names of the shipped list, so that a failure says which language it is.
        wIniFile files;
        files.SetFile(ConfigManger::LanguageListPath(), "Files");
        for (int id = 0; id < 4; ++id)
            languages.push_back(
                {id, QString::fromStdString(files.ReadString(std::to_string(id), "?"))});
    }

    // The windows' own titles, painted in the header band of a tool dialog.
    void expectTitleFits(const Language& l, const char* window, const QString& title) {
        const int need = QFontMetrics(SkinFont::title()).horizontalAdvance(title);
        EXPECT_LE(need, skin::kTitleRect.width)
            << l.name.toStdString() << ", " << window << ": title \"" << title.toStdString()
            << "\" is " << need - skin::kTitleRect.width << " px too wide";
    }

    void expectFits(const Language& l, const char* window, QWidget* w, const FitAreas& areas) {
        const std::vector<Misfit> misfits = TextFit::Check(w, areas);
        EXPECT_TRUE(misfits.empty()) << l.name.toStdString() << ", " << window << ":\n"
                                     << TextFit::Describe(misfits).toStdString();
        if (const QString dir = qEnvironmentVariable("VORLANE_LAYOUT_SHOTS"); !dir.isEmpty()) {
            QDir().mkpath(dir);
            w->grab().save(QStringLiteral("%1/%2-%3.png").arg(dir, window, l.name));
        }
    }

    // A framed field shows all four sides of its frame against the card it lies on.
    void expectWholeFrame(const Language& l, QWidget* window, QWidget* field) {
        const QImage shot = window->grab().toImage();
        const qreal dpr = shot.devicePixelRatio();
        const QRect r = field->geometry();
        // In device pixels: the outermost logical pixel of each side (dpr device pixels
        // inwards), and the card two logical pixels out.
        const int left = qRound(r.x() * dpr), right = qRound((r.x() + r.width()) * dpr) - 1;
        const int top = qRound(r.y() * dpr), bottom = qRound((r.y() + r.height()) * dpr) - 1;
        const int midX = (left + right) / 2, midY = (top + bottom) / 2, out = qRound(2 * dpr);
        const int deep = std::max(1, qRound(dpr));
        const struct {
            const char* side;
            QPoint edge, inwards, outside;
        } sides[] = {{"left", {left, midY}, {1, 0}, {left - out, midY}},
                     {"right", {right, midY}, {-1, 0}, {right + out, midY}},
                     {"top", {midX, top}, {0, 1}, {midX, top - out}},
                     {"bottom", {midX, bottom}, {0, -1}, {midX, bottom + out}}};
        for (const auto& s : sides) {
            const QRgb b = shot.pixel(s.outside);
            int contrast = 0;
            for (int d = 0; d < deep; ++d) {
                const QRgb a = shot.pixel(s.edge + d * s.inwards);
                contrast =
                    std::max({contrast, std::abs(qRed(a) - qRed(b)),
                              std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
            EXPECT_GE(contrast, 40) << l.name.toStdString() << ": the " << s.side << " side of "
                                    << field->metaObject()->className() << "#"
                                    << field->objectName().toStdString() << " does not show";
        }
    }

    void useLanguage(const Language& l) { ASSERT_TRUE(config.SetLanguageID(l.id)); }

    // Catalogue rows with the longest names the program makes: four-digit record numbers,
    // three-digit tracks, a task's file name text.
    void addRecordings() {
        // A full page: ten rows.
        for (int n = 0; n < 10; ++n) {
            const LocalTime t{2026, 12, 31, 23, 59, 40 + n, 0, 4};
            const RecordFileName name =
                RecordingTexts::MakeRecordFileName(1000, 100 + n, t, "Sunday night", 2);
            const fs::path file = folder / "records" / name.fileName;
            std::ofstream(file) << "x";
            ADORecordset rs;
            ASSERT_TRUE(rs.Open(catalogue, CatalogueStatements::recordingsForInsert()));
            rs.AddNew();
            rs.PutText("FileName", name.fileName);
            rs.PutText("FileFullPathName", file.string());
            rs.PutText("StartTime", name.startTimeText);
            rs.PutText("Duration", "10:59:59");
            rs.PutText("Title", "Side A");
            rs.PutText("Artist", "Trio");
            rs.PutText("Album", "Live");
            rs.PutText("Year", "1969");
            rs.PutText("Comment", "78 rpm");
            ASSERT_TRUE(rs.Update()) << rs.LastError();
        }
    }

    void addTasks() {
        ADORecordset rs;
        ASSERT_TRUE(rs.Open(catalogue, CatalogueStatements::tasksLatestFirst()));
        Task single;
        single.startTime = "2026-12-31 23:00";
        single.endTime = "2027-01-01 01:00";
        single.fileName = "Sunday night";
        rs.AddNew();
        single.ToRow(rs);
        ASSERT_TRUE(rs.Update()) << rs.LastError();
        Task weekly = single;
        weekly.repeats = true;
        weekly.days = {true, false, true, false, true, false, true};
        rs.AddNew();
        weekly.ToRow(rs);
        ASSERT_TRUE(rs.Update()) << rs.LastError();
    }

    std::vector<Language> languages;
};

TEST_F(WindowTexts, MainPanelInEveryDivisionTypeAndWhileRecording) {
    for (const Language& l : languages) {
        useLanguage(l);
        config.RecordDiviType = 1;
        config.RecordNo = 1000;
        config.RecordTrack = 100;
        config.MP3Genre = 32; // "Classical"; the longest names follow below
        makePanel();
        panel->show();
        expectFits(l, "panel", panel.get(), panelAreas());
        expectWholeFrame(l, panel.get(), panel->control(panel::kGenreName));

        // Division by silence shows the other label over the time.
        auto* type = ctl<QComboBox>(panel::kDivideTypeList);
        type->setCurrentIndex(2);
        Q_EMIT type->activated(2);
        expectFits(l, "panel-mute", panel.get(), panelAreas());

        // The longest genre name ends in "…" and shows whole in the tool tip.
        config.MP3Genre = 140;
        ASSERT_TRUE(deliver(msg::LanguageChanged)); // the panel applies its texts again
        auto* genre = ctl<QLabel>(panel::kGenreName);
        EXPECT_EQ(genre->toolTip(), QStringLiteral("Contemporary Christian"));
        EXPECT_TRUE(genre->text().endsWith(QChar(0x2026))) << genre->text().toStdString();
        expectFits(l, "panel-genre", panel.get(), panelAreas());

        deviceReady();
        click(panel::kRecordStart);
        ASSERT_TRUE(panel->controller().Recording());
        expectFits(l, "panel-recording", panel.get(), panelAreas());
        click(panel::kRecordStop);
        panel.reset();
    }
}

TEST_F(WindowTexts, SettingsDialog) {
    PanelStub stub(config);
    ServiceLog log;
    for (const Language& l : languages) {
        useLanguage(l);
        QString error;
        auto dialog =
            CSysSettingDlg::Create(config, log.services(stub.handle(), config), nullptr, &error);
        ASSERT_TRUE(dialog) << error.toStdString();
        dialog->show();
        expectFits(l, "settings", dialog.get(), toolAreas(skin::kToolBackground));
        expectTitleFits(l, "settings", dialog->title());
    }
}

TEST_F(WindowTexts, GenreChooserAndAboutBox) {
    for (const Language& l : languages) {
        useLanguage(l);
        CGenreerSettingDlg genre(config);
        genre.show();
        expectFits(l, "genre", &genre, {});
        CAboutDlg about(config);
        about.show();
        expectFits(l, "about", &about, {});
    }
}

TEST_F(WindowTexts, RecordingsBrowser) {
    addRecordings();
    for (const Language& l : languages) {
        useLanguage(l);
        CPlayFileDlg::Services services;
        services.catalogue = &catalogue;
        QString error;
        auto dialog = CPlayFileDlg::Create(config, std::move(services), nullptr, &error);
        ASSERT_TRUE(dialog) << error.toStdString();
        dialog->show();
        auto* list = qobject_cast<QTableWidget*>(dialog->control(CPlayFileDlg::kList));
        ASSERT_EQ(list->rowCount(), 10);
        // The whole page shows without scrolling.
        const QRect last = list->visualRect(list->model()->index(9, 0));
        EXPECT_LT(last.bottom(), list->viewport()->height())
            << l.name.toStdString() << ": the tenth row is "
            << last.bottom() + 1 - list->viewport()->height() << " px below the list";
        expectFits(l, "browser", dialog.get(), toolAreas(skin::kToolBackground));
        expectTitleFits(l, "browser", dialog->title());
    }
}

TEST_F(WindowTexts, TaskListAndEditor) {
    addTasks();
    for (const Language& l : languages) {
        useLanguage(l);
        QString error;
        auto list = CTaskSettingDlg::Create(config, catalogue, 0, nullptr, &error);
        ASSERT_TRUE(list) << error.toStdString();
        list->show();
        expectFits(l, "task-list", list.get(), toolAreas(skin::kTaskListBackground));
        expectTitleFits(l, "task-list", list->title());

        auto editor = CAddTaskDlg::Create(config, catalogue, nullptr, &error);
        ASSERT_TRUE(editor) << error.toStdString();
        editor->repeat = 1;
        editor->Init();
        editor->show();
        expectFits(l, "task-editor", editor.get(), toolAreas(skin::kToolBackground));
        expectTitleFits(l, "task-editor", editor->title());
    }
}

} // namespace
} // namespace vorlane::test
