#include "DeviceTestSupport.h"
#include "device/_SystemOpenedUSBHid.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorlane;
using vorlane::test::PrivateTableName;

TEST(SharedTable, RecordsFollowRegisterAndUnregister) {
    PrivateTableName name;
    _SystemOpenedUSBHid t;
    ASSERT_TRUE(t.OpenTable(name.name()));
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
    other.Unlock();
}

TEST(SharedTable, ThirtyTwoRecordsAtMost) {
    PrivateTableName name;
    _SystemOpenedUSBHid t;
    ASSERT_TRUE(t.OpenTable(name.name()));
    t.Lock();
    for (uint32_t i = 1; i <= 32; ++i)
        ASSERT_TRUE(t.Register(i, "p" + std::to_string(i)));
    EXPECT_FALSE(t.Register(33, "p33"));
    EXPECT_EQ(t.LiveRecords(), 32);
    EXPECT_TRUE(t.Unregister(7));
    EXPECT_TRUE(t.Register(33, "p33"));
    EXPECT_EQ(t.IsOpened("p33"), 33u);
    t.Unlock();
}

TEST(SharedTable, DeadProcessRecordsAreReclaimedAndItsLockTakenOver) {
    PrivateTableName name;
    _SystemOpenedUSBHid t;
    ASSERT_TRUE(t.OpenTable(name.name()));
    int pipeFd[2];
    ASSERT_EQ(::pipe(pipeFd), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Claims a device and dies holding the lock.
        _SystemOpenedUSBHid c;
        bool ok = c.OpenTable(name.name()) && c.Lock() && c.Register(77, "/dev/hidraw9");
        char b = ok ? 'y' : 'n';
        [[maybe_unused]] auto w = ::write(pipeFd[1], &b, 1);
        ::_exit(0);
    }
    char b = 0;
    ASSERT_EQ(::read(pipeFd[0], &b, 1), 1);
    ASSERT_EQ(b, 'y');
    ::waitpid(child, nullptr, 0);

    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(t.Lock()); // the dead owner's lock is taken over, not waited for
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(t.IsOwnRecord(77));
    EXPECT_EQ(t.IsOpened("/dev/hidraw9"), 0u);
    EXPECT_EQ(t.LiveRecords(), 0);
    EXPECT_TRUE(t.Register(78, "/dev/hidraw9"));
    t.Unlock();
    ::close(pipeFd[0]);
    ::close(pipeFd[1]);
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
