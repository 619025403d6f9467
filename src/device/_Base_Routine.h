#pragma once

// A routine: a small state object of a device object, driven by its window's timers
// and messages. Deleting a routine kills every timer in its list.
//
// Thread contract: the device thread.

#include "platform/MessageWindow.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

template <class T> class _Base_Routine {
public:
    _Base_Routine(T* owner, std::string name) : owner_(owner), name_(std::move(name)) {}
    virtual ~_Base_Routine() {
        if (MessageWindow* w = owner_ ? owner_->window() : nullptr)
            for (uint32_t id : timers_)
                w->killTimer(id);
    }
    _Base_Routine(const _Base_Routine&) = delete;
    _Base_Routine& operator=(const _Base_Routine&) = delete;

    virtual bool Enter() = 0;
    virtual void Leave() = 0;
    virtual void OnTimer(uint32_t id, bool& handled) = 0;
    virtual bool ProcessWindowMessage(const Message& m, intptr_t& result) = 0;

    const std::string& name() const { return name_; }
    T* owner() const { return owner_; }
    const std::vector<uint32_t>& timers() const { return timers_; }

protected:
    void addTimer(uint32_t id) {
        if (std::find(timers_.begin(), timers_.end(), id) == timers_.end())
            timers_.push_back(id);
    }
    void removeTimer(uint32_t id) {
        timers_.erase(std::remove(timers_.begin(), timers_.end(), id), timers_.end());
    }

private:
    T* owner_;
    std::string name_;
    std::vector<uint32_t> timers_;
};

} // namespace vorlane
