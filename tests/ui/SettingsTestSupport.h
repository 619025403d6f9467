#pragma once

#include "LogWindow.h"
#include "TestProgramFolder.h"
#include "config/ConfigManger.h"
#include "ui/CSysSettingDlg.h"
#include "ui/LocalizedWindow.h"

#include <QEvent>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

class QLabel;

namespace vorlane::test {

// A program folder of its own with the settings loaded and the generated skin.
struct SettingsHome {
    SettingsHome();
    // The stored value of a key of section "Option"; nullopt when missing.
    std::optional<std::string> option(const std::string& key) const;

    TestProgramFolder home;
    ConfigManger config;
};

// Stands in for the main panel: a message window that logs what reaches it and shows one
// text of the language file, applied again on msg::LanguageChanged.
class PanelStub : public QWidget, public LogWindow, public LocalizedWindow {
public:
    explicit PanelStub(const ConfigManger& config);
    ~PanelStub() override { MessageWindow::destroy(); }

    void applyTexts() override;
    int count(uint32_t msg, std::optional<uintptr_t> wParam = std::nullopt);
    // The wParams of the messages of one number, in the order they came.
    std::vector<uintptr_t> wParams(uint32_t msg);

    QLabel* label = nullptr;

private:
    const ConfigManger& config_;
};

// The services of a settings dialog, keeping what the dialog asks of them.
struct ServiceLog {
    CSysSettingDlg::Services services(WindowHandle panel, const ConfigManger& config);

    std::vector<int> inputVolumes; // RecordVolume at each call
    std::vector<int> monitorVolumes;
    std::vector<QString> problems;
    std::vector<QString> browseStarts;
    QString nextFolder; // what the folder browser answers; empty: cancelled
};

// Sends a left-button event at `at` in w's coordinates; the button is held except on release.
void mouse(QWidget* w, QEvent::Type type, QPoint at);
void clickAt(QWidget* w, QPoint at);

} // namespace vorlane::test
