#include "SettingsTestSupport.h"

#include "config/wIniFile.h"
#include "ui/LanguageTexts.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
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
    handler = [this](const Message& m, intptr_t& result) {
        processLanguageMessage(m, result);
        result = 0;
        return true;
    };
    MessageWindow::create();
    applyTexts();
}

void PanelStub::applyTexts() {
    label->setText(LanguageTexts(config_, LanguageTexts::kWindowText).text("Record ", "Record"));
}

int PanelStub::count(uint32_t msg, std::optional<uintptr_t> wParam) {
    int n = 0;
    for (const Message& m : of(msg))
        n += !wParam || m.wParam == *wParam;
    return n;
}

std::vector<uintptr_t> PanelStub::wParams(uint32_t msg) {
    std::vector<uintptr_t> out;
    for (const Message& m : of(msg))
        out.push_back(m.wParam);
    return out;
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

void mouse(QWidget* w, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void clickAt(QWidget* w, QPoint at) {
    mouse(w, QEvent::MouseButtonPress, at);
    mouse(w, QEvent::MouseButtonRelease, at);
}

} // namespace vorlane::test
