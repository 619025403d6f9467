#pragma once

#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CSoundCapture.h"
#include "catalogue/ADOConnection.h"
#include "config/ConfigManger.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "ui/CRivorAzururuFrame.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace vorlane::test {

// Sends the key presses that type `text` into the widget.
void typeText(QWidget* widget, const QString& text);
void pressKey(QWidget* widget, int key);
// Runs the posted events of this thread until none is left.
void pump();
// Runs `act` on the modal box as soon as one is up (from inside its loop).
void whenModal(std::function<void(QWidget*)> act);

// A private program folder with the generated skin and icons, its settings loaded, a real
// catalogue, and the real capture engine over a fake sound card that the test steps block
// by block (no capture thread). The panel is the real one, offscreen.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the panel; false when its skin could not be applied.
    bool buildPanel();
    void makePanel() { ASSERT_TRUE(buildPanel()); }
    // The device arrives (message 1041) and the panel handles it.
    void deviceReady(int typeCode = 0xD201);
    // One captured block each: the engine takes it and the panel meters it.
    void captureBlocks(int count);
    // A value of Config_LP.ini as the file holds it now.
    std::string setting(const std::string& section, const std::string& key) const;
    // Clicks a bitmap button of the panel.
    void click(int id);
    // Posts to the panel and lets it handle the message.
    bool deliver(uint32_t msg, uintptr_t wParam = 0) {
        const bool posted = panel->post(msg, wParam);
        pump();
        return posted;
    }
    bool deliverText(uint32_t msg, uintptr_t wParam, std::string text) {
        const bool posted = panel->postText(msg, wParam, std::move(text));
        pump();
        return posted;
    }

    template <class W> W* ctl(int id) const {
        auto* w = qobject_cast<W*>(panel->control(id));
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }

    TestProgramFolder folder;
    FakeClock clock;
    ConfigManger config;
    std::unique_ptr<CSoundCapture> capture;
    ADOConnection catalogue;
    std::atomic<WindowHandle> deviceTarget{0};
    int exits = 0;
    bool exitedUnderABox = false; // the exit ran while a modal box was still up
    bool loud = true;             // what the fake sound card delivers
    std::unique_ptr<CRivorAzururuFrame> panel;
};

} // namespace vorlane::test
