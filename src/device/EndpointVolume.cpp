#include "device/EndpointVolume.h"

#include "platform/DeviceTypes.h"

#include <QString>
#include <algorithm>
#include <mutex>

namespace vorlane {

namespace {
std::mutex g_mixerMutex;

bool nameHas(const QString& name, std::initializer_list<const char*> words) {
    for (const char* w : words)
        if (name.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    return false;
}
} // namespace

EndpointVolume::EndpointVolume(AudioDeviceList* list, AudioMixer* mixer)
    : list_(list), mixer_(mixer) {}

std::vector<EndpointVolume::ComponentType>
EndpointVolume::ComponentOrder(const std::string& deviceName) {
    if (deviceName == DeviceTypes::UsbPnp.name)
        return {Undefined, Microphone, Line, WaveOut, Analog, Telephone};
    if (deviceName.empty())
        return {};
    return {Undefined, Microphone, Line, WaveOut};
}

EndpointVolume::ComponentType EndpointVolume::ComponentTypeOf(const std::string& element) {
    const QString n = QString::fromStdString(element);
    if (nameHas(n, {"mic"}))
        return Microphone;
    if (nameHas(n, {"line"}))
        return Line;
    if (nameHas(n, {"pcm", "wave"}))
        return WaveOut;
    if (nameHas(n, {"analog", "aux", "video", "cd"}))
        return Analog;
    if (nameHas(n, {"phone"}) && !nameHas(n, {"headphone"}))
        return Telephone;
    return Undefined;
}

bool EndpointVolume::SetInputVolume(uint16_t typeCode, int recordVolume) {
    const std::string device = DeviceTypes::VolumeCardName(typeCode);
    if (device.empty())
        return true;
    const int percent = std::clamp(recordVolume, 0, 100);
    const auto mixers = list().mixers();
    const int index = Find(mixers, device, 1);
    if (index < 0)
        return true;
    std::lock_guard<std::mutex> lock(g_mixerMutex);
    AudioMixer& m = mixer();
    if (!m.open(mixers[size_t(index)].id))
        return true;
    const auto elements = m.captureElements();
    for (ComponentType type : ComponentOrder(device))
        for (const auto& e : elements)
            if (ComponentTypeOf(e) == type)
                m.setCaptureVolume(e, percent);
    m.close();
    return true;
}

int EndpointVolume::Find(const std::vector<AudioDeviceEntry>& devices, const std::string& name,
                         int mode) {
    if (name.empty())
        return -1;
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::string& n = devices[i].name;
        if (mode == 1 ? n.find(name) != std::string::npos : n == name)
            return int(i);
    }
    return -1;
}

int EndpointVolume::FindWaveIn(const std::string& name, int mode) {
    return Find(list().waveInputs(), name, mode);
}
int EndpointVolume::FindWaveOut(const std::string& name, int mode) {
    return Find(list().waveOutputs(), name, mode);
}
int EndpointVolume::FindMixer(const std::string& name, int mode) {
    return Find(list().mixers(), name, mode);
}

std::string EndpointVolume::WaveInName(int index) {
    auto v = list().waveInputs();
    return index >= 0 && size_t(index) < v.size() ? v[size_t(index)].name : std::string();
}
std::string EndpointVolume::WaveOutName(int index) {
    auto v = list().waveOutputs();
    return index >= 0 && size_t(index) < v.size() ? v[size_t(index)].name : std::string();
}

} // namespace vorlane
