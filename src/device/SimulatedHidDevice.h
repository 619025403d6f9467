#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// A USB device that speaks the report protocol, for tests and demos. The adapter answers
// get type, get hardware id, LED and the user id commands; the other kinds only take
// reports. Tests can unplug it, hold its replies back (late replies) or make it send
// reports of its own.
//
// Thread contract: every member may be called from any thread; the HID manager thread
// reads and writes through an opened handle while a test manipulates the device.
class SimulatedHidDevice {
public:
    enum class Kind { Adapter, UsbPnp, Sss, Controller };

    explicit SimulatedHidDevice(Kind kind, std::string path = {});

    // "adapter", "usbpnp", "sss" or "controller".
    static std::optional<Kind> KindFromName(std::string_view name);

    Kind kind() const { return kind_; }
    std::string path() const;
    uint16_t vendorId() const;
    uint16_t productId() const;
    std::string product() const;
    size_t inputLength() const;
    size_t outputLength() const;

    // Identity, set before the device is opened.
    void setProduct(std::string product);
    void setReportLengths(size_t input, size_t output);
    void setTypeCode(uint16_t code);

    // Test controls.
    void unplug();
    void plug();
    bool plugged() const;
    // A device node this user may not open, as without the udev rule.
    void setAccessible(bool accessible);
    bool accessible() const;
    // Takes the next request, then vanishes before answering it.
    void unplugOnNextRequest();
    // Held replies wait unseen until released, as from a slow device.
    void holdReplies(bool hold);
    void releaseHeldReplies();
    // Queues an input report (payload only, the report id is added) that answers nothing.
    void sendStrayReport(const std::vector<uint8_t>& payload);
    // Makes the device stop answering (it still takes reports).
    void setMute(bool mute);

    // What the device saw.
    std::vector<std::vector<uint8_t>> writtenReports() const; // as on the wire
    std::vector<bool> ledCommands() const;                    // every LED state sent
    bool ledOn() const;
    std::vector<bool> switchCommands() const;
    std::optional<std::array<uint8_t, 8>> userId(uint16_t parameter) const;
    size_t pendingInputReports() const;

    // The HID side, as an opened handle uses it.
    int read(uint8_t* buffer, size_t length);
    int write(const uint8_t* buffer, size_t length);

private:
    template <class F> auto locked(F f) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return f();
    }
    // With mutex_ held:
    void answer(const std::vector<uint8_t>& wire);
    void queueReply(std::vector<uint8_t> payload);
    // The payload as an input report: report id 0 in front, cut or padded to length.
    std::vector<uint8_t> inputReport(const std::vector<uint8_t>& payload) const;
    // Unplugged: the queued reports are gone.
    void vanish();

    const Kind kind_;
    mutable std::mutex mutex_;
    std::string path_;
    uint16_t vendorId_ = 0, productId_ = 0;
    std::string product_;
    size_t inputLength_ = 0, outputLength_ = 0;
    uint16_t typeCode_ = 0xD101;
    std::array<uint8_t, 8> hardwareId_{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    bool plugged_ = true;
    bool accessible_ = true;
    bool unplugOnRequest_ = false;
    bool hold_ = false;
    bool mute_ = false;
    std::deque<std::vector<uint8_t>> input_;
    std::vector<std::vector<uint8_t>> held_;
    std::vector<std::vector<uint8_t>> written_;
    std::vector<bool> led_;
    std::vector<bool> switch_;
    std::map<uint16_t, std::array<uint8_t, 8>> userIds_;
};

} // namespace vorlane
