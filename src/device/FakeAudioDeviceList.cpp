#include "device/FakeAudioDeviceList.h"

#include <algorithm>

namespace vorlane {

void FakeAudioDeviceList::addWaveInput(const std::string& name, const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    in_.push_back({name, id.empty() ? name : id});
}
void FakeAudioDeviceList::addWaveOutput(const std::string& name, const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    out_.push_back({name, id.empty() ? name : id});
}
void FakeAudioDeviceList::addMixer(const std::string& name, const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    mixers_.push_back({name, id.empty() ? name : id});
}

void FakeAudioDeviceList::remove(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto* v : {&in_, &out_, &mixers_})
        v->erase(std::remove_if(v->begin(), v->end(),
                                [&](const AudioDeviceEntry& e) { return e.name == name; }),
                 v->end());
}

std::vector<AudioDeviceEntry> FakeAudioDeviceList::waveInputs() {
    std::lock_guard<std::mutex> lock(mutex_);
    return in_;
}
std::vector<AudioDeviceEntry> FakeAudioDeviceList::waveOutputs() {
    std::lock_guard<std::mutex> lock(mutex_);
    return out_;
}
std::vector<AudioDeviceEntry> FakeAudioDeviceList::mixers() {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixers_;
}

} // namespace vorlane
