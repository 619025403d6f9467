#include "DeviceTestSupport.h"
#include "PumpUntil.h"
#include "device/_SystemOpenedUSBHid.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace vorlane;
using namespace vorlane::test;

namespace {
// A table opened on a name of its own.
class SharedTableTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(t.OpenTable(name.name())); }
    PrivateTableName name;
    _SystemOpenedUSBHid t;
};

// Makes a block as a program that died while making it leaves it: only size bytes.
void makeBlock(const std::string& name, size_t size) {
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(size)), 0);
    ::close(fd);
}

constexpr size_t kBlockSize = 16384; // larger than the table
} // namespace

TEST_F(SharedTableTest, RecordsFollowRegisterAndUnregister) {
    EXPECT_TRUE(t.isShared());
    ASSERT_TRUE(t.Lock());
    EXPECT_EQ(t.IsOpened("/dev/hidraw1"), 0u);
    EXPECT_TRUE(t.Register(11, "/dev/hidraw1"));
    EXPECT_TRUE(t.Register(12, "/dev/hidraw2"));
    EXPECT_EQ(t.IsOpened("/dev/hidraw1"), 11u);
    EXPECT_EQ(t.IsOpened("/dev/hidraw2"), 12u);
    EXPECT_EQ(t.IsOpened("/dev/hidraw"), 0u); // whole paths only
    EXPECT_TRUE(t.IsOwnRecord(12));
    EXPECT_FALSE(t.IsOwnRecord(13));
    EXPECT_EQ(t.FirstOwnHandle(), 11u);
    EXPECT_TRUE(t.Unregister(11));
    EXPECT_FALSE(t.Unregister(11));
    EXPECT_EQ(t.IsOpened("/dev/hidraw1"), 0u);
    EXPECT_EQ(t.FirstOwnHandle(), 12u);
    // Handle 0 and paths that do not fit are refused rather than half stored.
    EXPECT_FALSE(t.Register(0, "/dev/hidraw3"));
    EXPECT_FALSE(t.Register(14, std::string(300, 'x')));
    t.Unlock();

    // A second mapping in the same process sees the same records.
    _SystemOpenedUSBHid other;
    ASSERT_TRUE(other.OpenTable(name.name()));
    other.Lock();
    EXPECT_EQ(other.IsOpened("/dev/hidraw2"), 12u);
    // Thirty-two records at most; a freed one is taken again.
    for (uint32_t i = 101; i <= 131; ++i)
        ASSERT_TRUE(other.Register(i, "p" + std::to_string(i)));
    EXPECT_FALSE(other.Register(132, "p132"));
    EXPECT_EQ(other.LiveRecords(), 32);
    EXPECT_TRUE(other.Unregister(107));
    EXPECT_TRUE(other.Register(132, "p132"));
    EXPECT_EQ(other.IsOpened("p132"), 132u);
    other.Unlock();
}

TEST_F(SharedTableTest, DeadProcessRecordsAreReclaimedAndItsLockTakenOver) {
    pid_t child = otherProcessLocks(
        name.name(), false, [](_SystemOpenedUSBHid& c) { return c.Register(77, "/dev/hidraw9"); });
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);

    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(t.Lock()); // the dead owner's lock is taken over, not waited for
    EXPECT_LT(msSince(start), wMutex::LockWaitMs - 500);
    EXPECT_FALSE(t.IsOwnRecord(77));
    EXPECT_EQ(t.IsOpened("/dev/hidraw9"), 0u);
    EXPECT_EQ(t.LiveRecords(), 0);
    EXPECT_TRUE(t.Register(78, "/dev/hidraw9"));
    t.Unlock();
}

TEST(SharedTable, UnusableNameFallsBackToAPrivateTable) {
    _SystemOpenedUSBHid t;
    EXPECT_FALSE(t.OpenTable("/no/such/dir/table"));
    EXPECT_FALSE(t.isShared());
    ASSERT_TRUE(t.Lock());
    EXPECT_TRUE(t.Register(5, "/dev/hidraw0"));
    EXPECT_EQ(t.IsOpened("/dev/hidraw0"), 5u);
    t.Unlock();
}

TEST(SharedTable, ABlockOthersCouldWriteIsRefusedWithoutAHang) {
    struct Case {
        const char* what;
        mode_t mode;
        uid_t owner;
    };
    std::vector<Case> cases = {{"open to the group", 0660, ::geteuid()},
                               {"open to everyone", 0666, ::geteuid()},
                               {"readable by others", 0644, ::geteuid()}};
    // Only root can give a block to another user.
    if (::geteuid() == 0)
        cases.push_back({"another user's", 0600, 65534});
    for (const Case& c : cases) {
        PrivateTableName name;
        {
            // A complete table, as a program of that user would make it.
            _SystemOpenedUSBHid maker;
            ASSERT_TRUE(maker.OpenTable(name.name()));
        }
        int fd = ::shm_open(name.name().c_str(), O_RDWR, 0);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fchmod(fd, c.mode), 0);
        if (c.owner != ::geteuid()) {
            ASSERT_EQ(::fchown(fd, c.owner, gid_t(-1)), 0);
        }
        ::close(fd);
        _SystemOpenedUSBHid t;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(t.OpenTable(name.name())) << c.what;
        EXPECT_FALSE(t.isShared()) << c.what;
        EXPECT_LT(msSince(start), 2500) << c.what;
        // The private table still works.
        ASSERT_TRUE(t.Lock()) << c.what;
        EXPECT_TRUE(t.Register(3, "/dev/hidraw3")) << c.what;
        t.Unlock();
    }
}

TEST(SharedTable, AHalfMadeBlockIsMadeAnew) {
    // Its maker died before sizing it, or before writing the layout marker.
    for (size_t size : {size_t(0), kBlockSize}) {
        PrivateTableName name;
        makeBlock(name.name(), size);
        _SystemOpenedUSBHid t;
        ASSERT_TRUE(t.OpenTable(name.name())) << size;
        EXPECT_TRUE(t.isShared());
        ASSERT_TRUE(t.Lock());
        EXPECT_TRUE(t.Register(21, "/dev/hidraw1"));
        t.Unlock();
        // Others now meet the new block.
        _SystemOpenedUSBHid other;
        ASSERT_TRUE(other.OpenTable(name.name()));
        ASSERT_TRUE(other.Lock());
        EXPECT_EQ(other.IsOpened("/dev/hidraw1"), 21u);
        other.Unlock();
    }
}

TEST_F(SharedTableTest, AHolderThatHangsDoesNotHangTheLock) {
    pid_t child = otherProcessLocks(name.name(), true, [](_SystemOpenedUSBHid&) { return true; });
    ASSERT_GT(child, 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(t.Lock());
    EXPECT_LT(msSince(start), 10000);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // Once the holder is gone the lock is had again.
    EXPECT_TRUE(t.Lock());
    t.Unlock();
}

TEST_F(SharedTableTest, ARecordWithProcessIdZeroIsFree) {
    // Written straight into the block, as a damaged or foreign writer might leave it:
    // records follow the marker words and the mutex, 272 bytes each.
    wMapFile raw;
    ASSERT_EQ(raw.Open(name.name(), t.size()), wMapFile::OpenResult::Opened);
    auto* record = static_cast<char*>(raw.data()) + 8 + sizeof(pthread_mutex_t);
    const uint32_t pid = 0, handle = 5;
    std::memcpy(record, &pid, 4);
    std::memcpy(record + 4, &handle, 4);
    std::strcpy(record + 16, "/dev/hidraw4");
    ASSERT_TRUE(t.Lock());
    EXPECT_EQ(t.IsOpened("/dev/hidraw4"), 0u);
    EXPECT_EQ(t.LiveRecords(), 0);
    EXPECT_TRUE(t.Register(6, "/dev/hidraw4"));
    EXPECT_EQ(t.IsOpened("/dev/hidraw4"), 6u);
    t.Unlock();
}
