#pragma once

#include "device/_SystemOpenedUSBHid.h"
#include "platform/MessageWindow.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace vorlane::test {

// A window that logs every message it gets and handles none.
class LogWindow : public MessageWindow {
public:
    ~LogWindow() override { destroy(); }
    std::vector<Message> log() {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }
    std::vector<Message> of(uint32_t msg) {
        std::vector<Message> out;
        for (auto& m : log())
            if (m.msg == msg)
                out.push_back(m);
        return out;
    }

protected:
    bool processMessage(const Message& m, intptr_t&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.push_back(m);
        return false;
    }

private:
    std::mutex mutex_;
    std::vector<Message> log_;
};

// A record table name of this test process alone, removed again at the end.
class PrivateTableName {
public:
    PrivateTableName() {
        static int n = 0;
        name_ = "/vorlane_test_" + std::to_string(::getpid()) + "_" + std::to_string(n++);
    }
    ~PrivateTableName() { wMapFile::Unlink(name_); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace vorlane::test
