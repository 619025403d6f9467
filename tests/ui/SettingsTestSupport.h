#pragma once

#include "TestProgramFolder.h"
#include "config/ConfigManger.h"
#include "platform/MessageWindow.h"
#include "ui/CSysSettingDlg.h"
#include "ui/LocalizedWindow.h"

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

// Stands in for the main panel: a message window that keeps what reaches it and shows one
// text of the language file, applied again on msg::LanguageChanged.
class PanelStub : public QWidget, public MessageWindow, public LocalizedWindow {
public:
    explicit PanelStub(const ConfigManger& config);
    ~PanelStub() override;

    void applyTexts() override;
    int count(uint32_t msg, std::optional<uintptr_t> wParam = std::nullopt) const;

    std::vector<Message> messages;
    QLabel* label = nullptr;

protected:
    bool processMessage(const Message& m, intptr_t& result) override;

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

} // namespace vorlane::test
