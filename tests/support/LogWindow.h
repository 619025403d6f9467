#pragma once

#include "platform/MessageWindow.h"

#include <functional>
#include <mutex>
#include <vector>

namespace vorlane::test {

// A window that logs every message it gets; `handler`, when set, decides which it handles
// (none otherwise). The log may be read from any thread.
class LogWindow : public MessageWindow {
public:
    std::function<bool(const Message&, intptr_t&)> handler;

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
    size_t count(uint32_t msg) { return of(msg).size(); }

protected:
    bool processMessage(const Message& m, intptr_t& result) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            log_.push_back(m);
        }
        return handler ? handler(m, result) : false;
    }

private:
    std::mutex mutex_;
    std::vector<Message> log_;
};

} // namespace vorlane::test
