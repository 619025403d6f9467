#include "device/DeviceManger.h"

#include "device/Device_AudioController.h"
#include "device/Device_RivorAzururu.h"
#include "device/Device_SSSAudio.h"
#include "device/Device_Zododuzidi.h"
#include "device/TPUtilWindow.h"
#include "platform/Messages.h"

namespace vorlane {

DeviceManger::DeviceManger() : thread_("HID manager") {}

DeviceManger& DeviceManger::instance() {
    // Never destroyed: the manager thread may still be ending at process exit.
    static DeviceManger* manager = new DeviceManger;
    return *manager;
}

void DeviceManger::setTableName(std::string name) {
    std::lock_guard<std::mutex> lock(startMutex_);
    tableName_ = std::move(name);
}

bool DeviceManger::EnsureRunning() {
    std::lock_guard<std::mutex> lock(startMutex_);
    if (running_.load() && thread_.isRunning())
        return true;
    const std::string name = tableName_.empty() ? _SystemOpenedUSBHid::DefaultName() : tableName_;
    if (!table_.isOpen() || name != openedTableName_) {
        table_.OpenTable(name); // falls back to a private table when no shared one works
        openedTableName_ = name;
    }
    bool started = thread_.start(
        [this] {
            if (!create())
                return false;
            window_.store(handle(), std::memory_order_release);
            return true;
        },
        [this] {
            // The loop ended without a stop (the thread was told to quit): let go of all.
            if (isWindow())
                CloseAllAndStop();
            window_.store(0, std::memory_order_release);
        },
        StartWaitMs);
    if (!started && !thread_.isRunning())
        return false;
    running_.store(true, std::memory_order_release);
    return true;
}

intptr_t DeviceManger::Call(uint32_t handle, uint32_t operation, uintptr_t wParam,
                            intptr_t lParam) {
    if (operation == devmsg::ManagerOpen) {
        if (!EnsureRunning())
            return 0;
        if (wParam == 0)
            return 1;
        intptr_t r = 0;
        if (!TrySendTo(managerWindow(), devmsg::ManagerOpen, wParam, lParam, &r))
            return 0;
        return r;
    }
    if (operation == devmsg::ManagerClose) {
        if (!isRunning())
            return 1;
        intptr_t r = 0;
        TrySendTo(managerWindow(), devmsg::ManagerClose, handle, 0, &r);
        if (handle == 0 && r == -1) {
            std::lock_guard<std::mutex> lock(startMutex_);
            thread_.wait(StopWaitMs);
            running_.store(false, std::memory_order_release);
        }
        return 1;
    }
    if (!table_.Lock())
        return 0;
    bool own = table_.IsOwnRecord(handle);
    table_.Unlock();
    if (!own)
        return 0;
    // The caller's buffers must outlive the device's answer.
    const int waitMs = devmsg::CarriesCallerBuffer(operation) ? -1 : forwardTimeoutMs_.load();
    intptr_t r = 0;
    if (!TrySendTo(handle, operation, wParam, lParam, &r, waitMs))
        return 0;
    return r;
}

std::string DeviceManger::InaccessiblePath() const {
    std::lock_guard<std::mutex> lock(inaccessibleMutex_);
    return inaccessiblePath_;
}

bool DeviceManger::processMessage(const Message& m, intptr_t& result) {
    switch (m.msg) {
    case devmsg::ManagerOpen:
        result = Open(WindowHandle(m.wParam), uint32_t(m.lParam));
        return true;
    case devmsg::ManagerClose:
        result = m.wParam ? CloseOne(WindowHandle(m.wParam)) : CloseAllAndStop();
        return true;
    case msg::DeviceEnded:
        if (m.lParam == _BasePhone::kRecordStillHeld)
            staleRecords_.push_back(WindowHandle(m.wParam));
        ReleaseStaleRecords();
        DeleteModel(WindowHandle(m.wParam), false);
        result = 0;
        return true;
    default:
        return false;
    }
}

std::unique_ptr<_BasePhone> DeviceManger::MakeModel(uint32_t kind) {
    switch (kind) {
    case KindRivorAzururu:
        return std::make_unique<Device_RivorAzururu>();
    case KindZododuzidi:
        return std::make_unique<Device_Zododuzidi>();
    case KindSSSAudio:
        return std::make_unique<Device_SSSAudio>();
    case KindAudioController:
        return std::make_unique<Device_AudioController>();
    default:
        return nullptr;
    }
}

void DeviceManger::ReleaseStaleRecords() {
    if (staleRecords_.empty() || !table_.Lock())
        return;
    for (WindowHandle h : staleRecords_)
        if (table_.IsOwnRecord(h))
            table_.Unregister(h);
    table_.Unlock();
    staleRecords_.clear();
}

intptr_t DeviceManger::Open(WindowHandle owner, uint32_t mask) {
    // Before the search: a record left behind would hide its device for good.
    ReleaseStaleRecords();
    std::unique_ptr<TPUtilWindow> window;
    std::unique_ptr<_BasePhone> accepted;
    std::string inaccessible;
    // The id pairs in order. A pair whose devices all failed to open (no udev rule, no
    // model took them) does not hide the later pairs; one whose device another process
    // holds does, as does one whose device opened.
    for (size_t pair = 0; !accepted && EnumerateFrom(pair); ++pair) {
        if (!window) {
            window = std::make_unique<TPUtilWindow>();
            if (!window->create())
                return 0;
        }
        bool claimed = false;
        if (!OpenFromList(owner, mask, *window, accepted, claimed, inaccessible))
            return 0;
        if (claimed)
            break;
    }
    {
        // Named even when a device of a later pair opened: the user should know why the
        // other one is not used.
        std::lock_guard<std::mutex> lock(inaccessibleMutex_);
        inaccessiblePath_ = inaccessible;
    }
    if (!accepted)
        return 0;
    const WindowHandle h = window->handle();
    accepted->setOwnerWindow(owner);
    accepted->adoptWindow(std::move(window));
    models_[h] = std::move(accepted);
    return h;
}

bool DeviceManger::OpenFromList(WindowHandle owner, uint32_t mask, TPUtilWindow& window,
                                std::unique_ptr<_BasePhone>& accepted, bool& claimed,
                                std::string& inaccessible) {
    if (!table_.Lock())
        return false;
    for (size_t i = 0; i < paths().size() && !accepted; ++i) {
        const std::string& path = paths()[i];
        if (table_.IsOpened(path) != 0) {
            claimed = true;
            continue;
        }
        std::unique_ptr<HidDevice> file = backend().open(path);
        if (!file) {
            if (inaccessible.empty() && !backend().accessible(path))
                inaccessible = path;
            continue;
        }
        for (uint32_t kind :
             {KindRivorAzururu, KindZododuzidi, KindSSSAudio, KindAudioController}) {
            if (!(mask & kind))
                continue;
            auto phone = MakeModel(kind);
            phone->setOwnerWindow(owner);
            phone->setManager(&table_, handle());
            if (!phone->OpenDevice(file, &window, products()[i]))
                continue;
            if (!table_.Register(window.handle(), path)) {
                // Every record is taken: a device nobody could find again must not stay
                // open, so the open is refused.
                phone->CloseDevice();
                table_.Unlock();
                return false;
            }
            accepted = std::move(phone);
            break;
        }
        // Not accepted: file (if still ours) closes here.
    }
    table_.Unlock();
    return true;
}

intptr_t DeviceManger::CloseOne(WindowHandle h) {
    if (!table_.Lock())
        return 1;
    bool own = table_.IsOwnRecord(h);
    if (own)
        table_.Unregister(h);
    table_.Unlock();
    if (own)
        DeleteModel(h, true);
    return 1;
}

intptr_t DeviceManger::CloseAllAndStop() {
    ReleaseStaleRecords();
    for (;;) {
        WindowHandle h = 0;
        if (table_.Lock()) {
            h = table_.FirstOwnHandle();
            if (h)
                table_.Unregister(h);
            table_.Unlock();
        }
        if (!h)
            break;
        DeleteModel(h, true);
    }
    // Models that lost their device and wait for their 1281 go too.
    while (!models_.empty())
        DeleteModel(models_.begin()->first, true);
    window_.store(0, std::memory_order_release);
    destroy();
    PostQuitMessage(1);
    return -1;
}

void DeviceManger::DeleteModel(WindowHandle h, bool closeDevice) {
    auto it = models_.find(h);
    if (it == models_.end())
        return;
    if (closeDevice)
        it->second->CloseDevice();
    CloseAndWait(h, CloseWaitMs);
    // Waiting ran other messages; look the model up again.
    it = models_.find(h);
    if (it != models_.end())
        models_.erase(it);
}

} // namespace vorlane
