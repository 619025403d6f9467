#include "device/FakeMixer.h"

#include <algorithm>

namespace vorlane {

void FakeMixer::addCard(const std::string& id, std::vector<std::string> captureElements) {
    std::lock_guard<std::mutex> lock(mutex_);
    cards_[id] = std::move(captureElements);
}

bool FakeMixer::open(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({"open", id, 0});
    if (!cards_.count(id))
        return false;
    open_ = id;
    return true;
}

std::vector<std::string> FakeMixer::captureElements() {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cards_.find(open_);
    return it == cards_.end() ? std::vector<std::string>{} : it->second;
}

bool FakeMixer::setCaptureVolume(const std::string& element, int percent) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({"set", element, percent});
    auto it = cards_.find(open_);
    if (it == cards_.end() ||
        std::find(it->second.begin(), it->second.end(), element) == it->second.end())
        return false;
    volumes_[{open_, element}] = percent;
    return true;
}

void FakeMixer::close() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({"close", open_, 0});
    open_.clear();
}

std::vector<FakeMixer::Call> FakeMixer::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

int FakeMixer::volume(const std::string& id, const std::string& element) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = volumes_.find({id, element});
    return it == volumes_.end() ? -1 : it->second;
}

} // namespace vorlane
