#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "platform/wSingleInstance.h"

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

using namespace vorlane;
using vorlane::test::pumpUntil;

namespace {
// Another start hands the command over from a thread of its own while this one serves
// its socket; 1 when the instance took it, 0 when not, -1 when it never finished.
int handOver(uint32_t command) {
    std::atomic<int> handed{-1};
    std::thread second([&] {
        wSingleInstance other(QStringLiteral("tKestova.UnicodeClass"));
        handed = other.notifyRunning(command) ? 1 : 0;
    });
    pumpUntil([&] { return handed.load() != -1; }, 5000);
    second.join();
    return handed;
}

// Each test gets a runtime folder of its own so a running program is never reached.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1); }
    vorlane::test::TestProgramFolder folder{false};
};
} // namespace

TEST_F(SingleInstanceTest, SecondStartHandsOnlyTheShowCommandToTheFirst) {
    wSingleInstance first(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(first.claim());
    int got = 0;
    ASSERT_TRUE(first.listen(32778, [&] { ++got; }));
    // The socket lives in the user's private runtime folder.
    EXPECT_TRUE(first.socketName().startsWith(QString::fromStdString(folder.path().string())));

    for (uint32_t command : {2u, 32781u, 32782u, 1016u})
        EXPECT_EQ(handOver(command), 0) << command;
    EXPECT_EQ(got, 0);
    EXPECT_EQ(handOver(32778), 1);
    EXPECT_EQ(got, 1);
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedInstanceIsTakenOver) {
    wSingleInstance probe(QStringLiteral("tKestova.UnicodeClass"));
    // A file nobody listens on, as a killed instance leaves its socket.
    QFile stale(probe.socketName());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_FALSE(probe.notifyRunning(32778, 300));
    EXPECT_TRUE(probe.claim());
    EXPECT_TRUE(probe.listen(32778, [] {}));
}

// Nobody takes the command without a running instance, nor one of another key.
TEST_F(SingleInstanceTest, DifferentKeysDoNotMeet) {
    wSingleInstance b(QStringLiteral("other.Class"));
    EXPECT_FALSE(b.notifyRunning(32778, 300));
    wSingleInstance a(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(a.claim());
    ASSERT_TRUE(a.listen(32778, [] {}));
    EXPECT_FALSE(b.notifyRunning(32778, 300));
}

TEST_F(SingleInstanceTest, TheClaimIsHeldUntilItsOwnerGoesAway) {
    auto first = std::make_unique<wSingleInstance>(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(first->claim());
    wSingleInstance second(QStringLiteral("tKestova.UnicodeClass"));
    // Before the first listens, as when both start at the same moment.
    EXPECT_FALSE(second.claim());
    first.reset();
    EXPECT_TRUE(second.claim());
}

TEST_F(SingleInstanceTest, ASocketSomeoneAnswersOnIsNotRemoved) {
    // A listener that holds no claim, as an instance that is still starting up elsewhere.
    wSingleInstance live(QStringLiteral("tKestova.UnicodeClass"));
    int got = 0;
    ASSERT_TRUE(live.listen(32778, [&] { ++got; }));
    wSingleInstance other(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(other.claim());
    EXPECT_FALSE(other.listen(32778, [] {}));

    EXPECT_EQ(handOver(32778), 1);
    EXPECT_EQ(got, 1);
}
