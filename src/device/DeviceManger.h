#pragma once

// The HID device manager: finds the supported devices, claims one system-wide through
// the record table, opens the device model that accepts it and hosts every model, its
// window and timers, and all HID reads and writes on a thread of its own. The rest of
// the program reaches it only through DeviceManagerCall().
//
// Thread contract: Call() from any thread; the message map, Open and the models run on
// the manager thread.

#include "device/LCDevEnumtor.h"
#include "device/_BasePhone.h"
#include "device/_SystemOpenedUSBHid.h"
#include "platform/MessageThread.h"
#include "platform/MessageWindow.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vorlane {

class DeviceManger : public MessageWindow, public LCDevEnumtor {
public:
    // Open mask bits, one per model kind, tried in this order.
    static constexpr uint32_t KindRivorAzururu = 0x4000;
    static constexpr uint32_t KindZododuzidi = 0x8000;
    static constexpr uint32_t KindSSSAudio = 0x10000;
    static constexpr uint32_t KindAudioController = 0x20000;
    static constexpr uint32_t AllKinds = 0x3C000;
    static constexpr int StartWaitMs = 10000;
    static constexpr int StopWaitMs = 2000;
    static constexpr int ForwardTimeoutMs = 4000;
    static constexpr int CloseWaitMs = 1000;

    // The one manager of the process.
    static DeviceManger& instance();

    // The shared record table to use from the next start on; empty: the default name.
    void setTableName(std::string name);
    _SystemOpenedUSBHid& table() { return table_; }
    // How long a forwarded operation without caller buffers is waited for.
    void setForwardTimeoutMs(int ms) { forwardTimeoutMs_.store(ms); }
    bool isRunning() const { return running_.load(std::memory_order_acquire); }
    WindowHandle managerWindow() const { return window_.load(std::memory_order_acquire); }

    // The entry point (see DeviceManagerCall). Any thread.
    intptr_t Call(uint32_t handle, uint32_t operation, uintptr_t wParam, intptr_t lParam);

    // A supported device that the last open found but was not allowed to open (no udev
    // rule), when nothing could be opened; empty otherwise. Any thread.
    std::string InaccessiblePath() const;

protected:
    bool processMessage(const Message& m, intptr_t& result) override;

private:
    DeviceManger();
    bool EnsureRunning();
    intptr_t Open(WindowHandle owner, uint32_t mask);
    // Tries the listed paths under the table's lock; false when the lock or a record could
    // not be had. `claimed`: a path is another model's.
    bool OpenFromList(WindowHandle owner, uint32_t mask, TPUtilWindow& window,
                      std::unique_ptr<_BasePhone>& accepted, bool& claimed,
                      std::string& inaccessible);
    // Gives up the records of lost models that could not give them up themselves.
    void ReleaseStaleRecords();
    intptr_t CloseOne(WindowHandle handle);
    intptr_t CloseAllAndStop();
    // Closes the model's window (waiting at most CloseWaitMs) and deletes the model.
    void DeleteModel(WindowHandle handle, bool closeDevice);
    static std::unique_ptr<_BasePhone> MakeModel(uint32_t kind);

    MessageThread thread_;
    std::mutex startMutex_;
    std::atomic<bool> running_{false};
    std::atomic<WindowHandle> window_{0};
    std::atomic<int> forwardTimeoutMs_{ForwardTimeoutMs};
    std::string tableName_;
    std::string openedTableName_;
    mutable std::mutex inaccessibleMutex_;
    std::string inaccessiblePath_;
    _SystemOpenedUSBHid table_;
    std::map<WindowHandle, std::unique_ptr<_BasePhone>> models_;
    std::vector<WindowHandle> staleRecords_;
};

} // namespace vorlane
