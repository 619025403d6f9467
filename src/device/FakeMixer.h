#pragma once

#include "device/AudioMixer.h"

#include <map>
#include <mutex>

namespace vorlane {

// A mixer for tests: cards by id with their capture elements, and a log of every call.
class FakeMixer : public AudioMixer {
public:
    struct Call {
        std::string what; // "open", "set", "close"
        std::string target;
        int percent = 0;
        bool operator==(const Call&) const = default;
    };

    void addCard(const std::string& id, std::vector<std::string> captureElements);

    bool open(const std::string& id) override;
    std::vector<std::string> captureElements() override;
    bool setCaptureVolume(const std::string& element, int percent) override;
    void close() override;

    std::vector<Call> calls() const;
    // The volume last set on an element of a card; -1 when never set.
    int volume(const std::string& id, const std::string& element) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<std::string>> cards_;
    std::map<std::pair<std::string, std::string>, int> volumes_;
    std::string open_;
    std::vector<Call> calls_;
};

} // namespace vorlane
