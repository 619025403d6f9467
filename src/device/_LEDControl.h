#pragma once

// LED control of a device model: on, off, a pulse that inverts the LED once after a
// while, and blinking. T is the model; it offers SendCommand() and window().
//
// Thread contract: the HID manager thread; the timers run on the model's window.

#include "device/NewTimerId.h"
#include "platform/MessageWindow.h"
#include "platform/Messages.h"

#include <cstdint>

namespace vorlane {

template <class T, uint8_t Command> class _LEDControl {
public:
    static constexpr int AckTimeoutMs = 1000;

    _LEDControl() : pulseTimer_(NewTimerId()), blinkTimer_(NewTimerId()) {}
    // The model calls it from its destructor, while it is still whole.
    void StopLedTimers() {
        kill(pulseTimer_);
        kill(blinkTimer_);
    }

    void SetLed(bool on) {
        kill(pulseTimer_);
        kill(blinkTimer_);
        state_ = on;
        send();
    }

    void PulseLed(bool on, int durationMs) {
        kill(blinkTimer_);
        set(pulseTimer_, durationMs);
        state_ = on;
        send();
    }

    void BlinkLed(int offMs, int onMs) {
        offMs_ = offMs;
        onMs_ = onMs;
        kill(pulseTimer_);
        set(blinkTimer_, onMs_);
        state_ = true;
        send();
    }

    bool ledState() const { return state_; }

    // Handles the LED timers; false for any other timer.
    bool OnLedTimer(uint32_t id) {
        if (id == pulseTimer_) {
            state_ = !state_;
            send();
            kill(pulseTimer_);
            return true;
        }
        if (id == blinkTimer_) {
            state_ = !state_;
            send();
            set(blinkTimer_, state_ ? onMs_ : offMs_);
            return true;
        }
        return false;
    }

    // The LED control's own message map.
    bool ProcessLedMessage(const Message& m, intptr_t& result) {
        if (m.msg == msg::Timer)
            return OnLedTimer(uint32_t(m.wParam)) && ((result = 0), true);
        if (m.msg == devmsg::Switch) { // blinking, where the model does not take it first
            BlinkLed(int(m.wParam), int(m.lParam));
            result = 0;
            return true;
        }
        return false;
    }

private:
    T& self() { return static_cast<T&>(*this); }
    void send() { self().SendCommand(Command, state_ ? 1 : 0, AckTimeoutMs); }
    void kill(uint32_t id) {
        if (auto* w = self().window())
            w->killTimer(id);
    }
    void set(uint32_t id, int ms) {
        if (auto* w = self().window())
            w->setTimer(id, ms);
    }

    bool state_ = false;
    uint32_t pulseTimer_;
    uint32_t blinkTimer_;
    int onMs_ = 0;
    int offMs_ = 0;
};

} // namespace vorlane
