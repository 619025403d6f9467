#include "SettingsTestSupport.h"

#include "config/wIniFile.h"
#include "ui/LanguageTexts.h"

#include <QLabel>
#include <stdexcept>

namespace vorlane::test {

SettingsHome::SettingsHome() {
    if (!config.Load())
        throw std::runtime_error("the copied settings did not load");
    // The skin is drawn at build time into the build's program folder, not into data/.
    config.SkinFolder = VORLANE_PROGRAM_DIR "/Resource/Skin/";
}

std::optional<std::string> SettingsHome::option(const std::string& key) const {
    wIniFile ini;
    ini.SetFile(ConfigManger::SettingsFilePath(), "Option");
    return ini.ReadValue(key);
}

PanelStub::PanelStub(const ConfigManger& config) : config_(config) {
    label = new QLabel(this);
    MessageWindow::create();
    applyTexts();
}

PanelStub::~PanelStub() {
    MessageWindow::destroy();
}

void PanelStub::applyTexts() {
    label->setText(LanguageTexts(config_, LanguageTexts::kWindowText).text("Record ", "Record"));
}

int PanelStub::count(uint32_t msg, std::optional<uintptr_t> wParam) const {
    int n = 0;
    for (const Message& m : messages)
        if (m.msg == msg && (!wParam || m.wParam == *wParam))
            ++n;
    return n;
}

bool PanelStub::processMessage(const Message& m, intptr_t& result) {
    messages.push_back(m);
    processLanguageMessage(m, result);
    result = 0;
    return true;
}

CSysSettingDlg::Services ServiceLog::services(WindowHandle panel, const ConfigManger& config) {
    CSysSettingDlg::Services s;
    s.panel = panel;
    s.setInputVolume = [this, &config] { inputVolumes.push_back(config.RecordVolume.load()); };
    s.setMonitorVolume = [this](int volume) { monitorVolumes.push_back(volume); };
    s.programPath = "/opt/Vorlane Test/Vorlane";
    s.browseFolder = [this](QWidget*, const QString& start) {
        browseStarts.push_back(start);
        return nextFolder;
    };
    s.reportProblem = [this](const QString&, const QString& text) { problems.push_back(text); };
    return s;
}

} // namespace vorlane::test
