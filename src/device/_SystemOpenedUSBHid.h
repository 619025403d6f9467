#pragma once

#include "device/wMapFile.h"
#include "device/wMutex.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace vorlane {

// The system-wide record of opened HID devices: 32 records of owner process, device
// handle and device path in shared memory, guarded by the robust mutex that lives in the
// same block. Two processes never open the same device: each skips the paths that a
// live process has registered. Records of processes that died are reclaimed.
//
// Thread contract: Lock()/Unlock() from any thread; every record operation only while
// the lock is held.
class _SystemOpenedUSBHid : public wMapFile {
public:
    static constexpr int RecordCount = 32;
    static constexpr size_t PathCapacity = 256; // with the terminating 0

    _SystemOpenedUSBHid() = default;
    ~_SystemOpenedUSBHid();

    // The block of this user: "/vorlane_System_OpenedUSBHid_File.<uid>", or the name in
    // VORLANE_HID_TABLE.
    static std::string DefaultName();

    // Maps (creating if needed) the named block. When no shared block can be had, a
    // block private to this process is used and false is returned.
    bool OpenTable(const std::string& name);
    void CloseTable();
    bool isShared() const { return shared_; }

    // False when the lock is not had within the wait (wMutex::LockWaitMs unless set).
    bool Lock();
    void Unlock();
    void setLockWaitMs(int ms) { lockWaitMs_ = ms; }

    // The handle of the first live record for this path (any process), else 0.
    uint32_t IsOpened(const std::string& path);
    // Takes the first free record for this process; false when all are taken or the
    // path does not fit.
    bool Register(uint32_t handle, const std::string& path);
    // Frees this process's record of the handle; false when there is none.
    bool Unregister(uint32_t handle);
    // Whether this process has a record of the handle.
    bool IsOwnRecord(uint32_t handle);
    // The first record of this process, in record order; 0 when none.
    uint32_t FirstOwnHandle();
    // Records in use, counting live processes only.
    int LiveRecords();

private:
    struct Block;
    Block* block() const;
    // Frees the record when its process is gone.
    bool Reclaim(int index);

    wMutex mutex_;
    bool shared_ = false;
    std::atomic<int> lockWaitMs_{wMutex::LockWaitMs};
};

} // namespace vorlane
