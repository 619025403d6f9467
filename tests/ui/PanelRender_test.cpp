// Renders the panel while it records, with the meters of real captured blocks, to
// panel-recording.png in the build's render folder (the README shows it).
#include "PanelTestSupport.h"
#include "SkinTestFiles.h"
#include "ui/PanelLayout.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <cmath>

using namespace vorlane;
using namespace vorlane::test;

TEST_F(PanelTest, RenderWhileRecording) {
    // Something like music: two tones under a slow swell, the right channel a little softer.
    source->sample = [](uint32_t block, uint32_t index) {
        const double t = (block * 5512.0 + index / 2) / 44100.0;
        const double swell = 0.55 + 0.35 * std::sin(2 * M_PI * 0.7 * t);
        double v =
            swell * (0.6 * std::sin(2 * M_PI * 220 * t) + 0.3 * std::sin(2 * M_PI * 331 * t));
        if (index % 2)
            v *= 0.8;
        return int16_t(std::lround(v * 16000));
    };
    config.MP3Title = "Kind of Blue";
    config.MP3Artist = "Miles Davis";
    config.MP3Album = "Kind of Blue";
    config.MP3Year = "1959";
    config.MP3Comment = "Side A";
    config.MP3Genre = 8;
    makePanel();
    panel->show();
    deviceReady();
    click(panel::kRecordStart);
    ASSERT_TRUE(panel->controller().Recording());
    captureBlocks(4);
    clock.advance((5 * 60 + 23) * 1000);
    panel->send(msg::Timer, timer::RecordingClock);

    // No caret in the picture.
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    const QImage shot = shapedGrab(panel.get());
    const QString dir = QStringLiteral(VORLANE_RENDER_DIR);
    QDir().mkpath(dir);
    ASSERT_TRUE(shot.save(dir + QStringLiteral("/panel-recording.png")));

    // What the picture must show: the file and its time, and both meters alive.
    EXPECT_TRUE(panel->control(panel::kFileNameLabel)->isVisible());
    EXPECT_EQ(qobject_cast<QLabel*>(panel->control(panel::kRecordTimeLabel))->text(),
              QStringLiteral("00:05:23"));
    EXPECT_GT(panel->meter().Last().left.bars, 20);
    EXPECT_GT(panel->meter().Last().right.bars, 20);
    EXPECT_EQ(shot.size(), QSize(panel::kBackground.width, panel::kBackground.height));
}
