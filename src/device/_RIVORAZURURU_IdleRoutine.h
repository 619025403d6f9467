#pragma once

// The routine of a connected device at rest: a 1-second tick, and the user notifications
// taken without effect.
//
// Thread contract: the device thread.

#include "device/NewTimerId.h"
#include "device/_RIVORAZURURU_BaseRoutine.h"

namespace vorlane {

template <class T> class _RIVORAZURURU_IdleRoutine : public _RIVORAZURURU_BaseRoutine<T> {
public:
    static constexpr int TickMs = 1000;

    explicit _RIVORAZURURU_IdleRoutine(T* owner)
        : _RIVORAZURURU_BaseRoutine<T>(owner, "_RIVORAZURURU_IdleRoutine") {}

    bool Enter() override {
        if (tick_ == 0)
            tick_ = NewTimerId();
        this->addTimer(tick_);
        if (auto* w = this->owner()->window())
            w->setTimer(tick_, TickMs);
        return true;
    }

    void Leave() override {
        if (tick_ == 0)
            return;
        this->removeTimer(tick_);
        if (auto* w = this->owner()->window())
            w->killTimer(tick_);
        tick_ = 0;
    }

    void OnTimer(uint32_t id, bool& handled) override { handled = tick_ != 0 && id == tick_; }
    void OnUserMessage(const Message&, bool& handled) override { handled = true; }

    uint32_t tickTimerId() const { return tick_; }

private:
    uint32_t tick_ = 0;
};

} // namespace vorlane
