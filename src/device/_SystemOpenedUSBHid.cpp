#include "device/_SystemOpenedUSBHid.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace vorlane {

namespace {
constexpr uint32_t kMagic = 0x564C4831; // layout version 1

struct Record {
    uint32_t pid;     // 0 = free
    uint32_t handle;  // 0 = free
    uint64_t started; // start time of the owner, tells a reused process id apart
    char path[_SystemOpenedUSBHid::PathCapacity];
};

void clear(Record& r) {
    r.pid = 0;
    r.handle = 0;
    r.started = 0;
}

// This process's record of the handle, or nullptr.
template <class Records> Record* ownRecord(Records& records, uint32_t handle) {
    const uint32_t pid = uint32_t(::getpid());
    for (Record& r : records)
        if (r.pid == pid && r.handle == handle)
            return &r;
    return nullptr;
}

// Clock ticks after boot at which a process started; 0 when unknown.
uint64_t processStartTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(text.substr(close + 1));
    std::string field;
    // Fields after the command name start at 3 (state); the start time is field 22.
    for (int i = 3; i <= 22; ++i)
        if (!(rest >> field))
            return 0;
    return std::strtoull(field.c_str(), nullptr, 10);
}

bool processAlive(uint32_t pid, uint64_t started) {
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    if (started != 0) {
        uint64_t now = processStartTime(pid_t(pid));
        if (now != 0 && now != started)
            return false;
    }
    return true;
}

// Cached per process id, so that a forked child learns its own.
uint64_t ownStartTime() {
    static std::atomic<pid_t> cachedPid{0};
    static std::atomic<uint64_t> cached{0};
    pid_t pid = ::getpid();
    if (cachedPid.load(std::memory_order_acquire) != pid) {
        cached.store(processStartTime(pid), std::memory_order_relaxed);
        cachedPid.store(pid, std::memory_order_release);
    }
    return cached.load(std::memory_order_relaxed);
}
} // namespace

struct _SystemOpenedUSBHid::Block {
    std::atomic<uint32_t> magic;
    uint32_t reserved;
    pthread_mutex_t mutex;
    Record records[RecordCount];
};

_SystemOpenedUSBHid::~_SystemOpenedUSBHid() {
    CloseTable();
}

std::string _SystemOpenedUSBHid::DefaultName() {
    const char* env = std::getenv("VORLANE_HID_TABLE");
    if (env && env[0] == '/')
        return env;
    return "/vorlane_System_OpenedUSBHid_File." + std::to_string(::getuid());
}

_SystemOpenedUSBHid::Block* _SystemOpenedUSBHid::block() const {
    return static_cast<Block*>(data());
}

bool _SystemOpenedUSBHid::OpenTable(const std::string& name) {
    CloseTable();
    const char* why = "it cannot be created";
    // A second round makes the block anew when the first found it half made.
    for (int round = 0; round < 2; ++round) {
        const OpenResult opened = Open(name, sizeof(Block));
        if (opened == OpenResult::Foreign) {
            why = "a block of that name belongs to someone else or is open to others";
            break;
        }
        if (opened == OpenResult::Incomplete) {
            why = "its maker never finished it";
            Unlink(name);
            continue;
        }
        if (opened == OpenResult::Failed)
            break;
        Block* b = block();
        if (opened == OpenResult::Created) {
            if (wMutex::Init(&b->mutex))
                b->magic.store(kMagic, std::memory_order_release);
        } else {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (b->magic.load(std::memory_order_acquire) != kMagic &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (b->magic.load(std::memory_order_acquire) == kMagic) {
            mutex_.bind(&b->mutex);
            shared_ = true;
            return true;
        }
        // Its maker died before it was ready, or it has another layout.
        why = "its layout marker never appeared";
        Close();
        Unlink(name);
    }
    std::fprintf(stderr,
                 "Vorlane: the table of opened devices %s cannot be shared (%s); another "
                 "program may open the same device\n",
                 name.c_str(), why);
    shared_ = false;
    if (OpenPrivate(sizeof(Block)) && wMutex::Init(&block()->mutex)) {
        block()->magic.store(kMagic, std::memory_order_release);
        mutex_.bind(&block()->mutex);
    }
    return false;
}

void _SystemOpenedUSBHid::CloseTable() {
    mutex_.bind(nullptr);
    Close();
    shared_ = false;
}

bool _SystemOpenedUSBHid::Lock() {
    return isOpen() && mutex_.Lock(lockWaitMs_.load());
}

void _SystemOpenedUSBHid::Unlock() {
    mutex_.Unlock();
}

bool _SystemOpenedUSBHid::Reclaim(int i) {
    Record& r = block()->records[i];
    // No process has id 0: such a record is free whatever else it holds.
    if (r.pid == 0) {
        clear(r);
        return true;
    }
    if (r.pid == uint32_t(::getpid()) && r.started == ownStartTime())
        return false;
    if (processAlive(r.pid, r.started))
        return false;
    clear(r);
    return true;
}

uint32_t _SystemOpenedUSBHid::IsOpened(const std::string& path) {
    if (!isOpen())
        return 0;
    for (int i = 0; i < RecordCount; ++i) {
        Record& r = block()->records[i];
        if (r.handle == 0 || Reclaim(i))
            continue;
        if (strncmp(r.path, path.c_str(), PathCapacity) == 0)
            return r.handle;
    }
    return 0;
}

bool _SystemOpenedUSBHid::Register(uint32_t handle, const std::string& path) {
    if (!isOpen() || handle == 0 || path.size() >= PathCapacity)
        return false;
    for (int i = 0; i < RecordCount; ++i) {
        if (!Reclaim(i))
            continue;
        Record& r = block()->records[i];
        std::memset(r.path, 0, PathCapacity);
        std::memcpy(r.path, path.data(), path.size());
        r.started = ownStartTime();
        r.handle = handle;
        r.pid = uint32_t(::getpid());
        return true;
    }
    return false;
}

bool _SystemOpenedUSBHid::Unregister(uint32_t handle) {
    Record* r = isOpen() && handle != 0 ? ownRecord(block()->records, handle) : nullptr;
    if (r)
        clear(*r);
    return r != nullptr;
}

bool _SystemOpenedUSBHid::IsOwnRecord(uint32_t handle) {
    return isOpen() && handle != 0 && ownRecord(block()->records, handle);
}

uint32_t _SystemOpenedUSBHid::FirstOwnHandle() {
    if (!isOpen())
        return 0;
    const uint32_t pid = uint32_t(::getpid());
    for (const auto& r : block()->records)
        if (r.pid == pid && r.handle != 0)
            return r.handle;
    return 0;
}

int _SystemOpenedUSBHid::LiveRecords() {
    if (!isOpen())
        return 0;
    int n = 0;
    for (int i = 0; i < RecordCount; ++i)
        n += Reclaim(i) ? 0 : 1;
    return n;
}

} // namespace vorlane
