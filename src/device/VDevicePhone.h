#pragma once

// The common body of every HID device model: request and reply over the report protocol,
// polling every 50 ms that notices an unplugged device, and the model window's messages.
//
// Thread contract: everything here runs on the HID manager thread, from the model
// window's messages and timers; SendAndWait() and SendReport() block that thread.

#include "device/LCUSBSocket.h"
#include "device/_BasePhone.h"
#include "platform/DeviceTypes.h"

#include <cstdint>
#include <string>

namespace vorlane {

template <class Comm> class VDevicePhone : public _BasePhone, public LCUSBSocket<Comm> {
public:
    using Payload = typename Comm::Payload;
    static constexpr int PollIntervalMs = 50;
    static constexpr int FailedPollsToLose = 4;

    // The model of devices of that kind: the product string starts with its name; its type
    // code is the kind's fixed code until Identify() learns it.
    explicit VDevicePhone(const DeviceType& type);
    ~VDevicePhone() override;

    bool OpenDevice(std::unique_ptr<HidDevice>& file, TPUtilWindow* window,
                    const std::string& product) override;
    void CloseDevice() override;
    // Whether the opened device is one of this model's; may learn its type code.
    virtual bool Identify() = 0;

    // command, 01, parameter 0, value; waits for the acknowledgement.
    bool SendCommand(uint8_t command, uint8_t value, int timeoutMs);
    // Sends the request and waits for the reply with its command and parameter.
    bool Transact(const Payload& request, Payload& reply, int timeoutMs);
    bool Execute(const Payload& request, int timeoutMs);
    // Gives the device a moment before its handle goes away.
    void OnClose();
    // Reads every queued report; false when the device failed.
    bool Poll();
    // Posts to the owner window; true when there is none.
    bool Notify(uint32_t msg, uintptr_t wParam, intptr_t lParam);
    // Writes once at least minIntervalMs have passed since the last write began.
    bool SendReport(const Payload& payload, double minIntervalMs);
    // Sends the request, then reads until a report matches expected (then copied into it),
    // the device fails or the time is up. Other reports are dropped.
    bool SendAndWait(const Payload& request, Payload& expected, int timeoutMs);
    // Reads one queued report and drops it: > 0 read, 0 none, -1 the device failed.
    int ReadReport();

    // One poll step, as the poll timer runs it.
    void PollStep();

    bool ProcessWindowMessage(const Message& m, intptr_t& result) override;

    uint16_t typeCode() const { return typeCode_; }
    const std::string& modelName() const { return modelName_; }
    const std::string& hardwareId() const { return hardwareId_; }
    const std::string& userId() const { return userId_; }
    int failedPolls() const { return failedPolls_; }

protected:
    // The device is gone: give up the record (or leave that to the manager when the table
    // cannot be locked), have the manager delete the model, tell the owner.
    void DeviceLost();

    uint16_t typeCode_;
    uint8_t failedPolls_ = 0;
    std::string modelName_;
    std::string hardwareId_;
    std::string userId_;
};

} // namespace vorlane
