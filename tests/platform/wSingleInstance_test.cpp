#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "platform/wSingleInstance.h"

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace vorlane;
using vorlane::test::pumpUntil;

namespace {
// Each test gets a runtime folder of its own so a running program is never reached.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1); }
    vorlane::test::TestProgramFolder folder{false};
};
} // namespace

TEST_F(SingleInstanceTest, SecondStartHandsItsCommandToTheFirst) {
    wSingleInstance first(QStringLiteral("tKestova.UnicodeClass"));
    std::vector<uint32_t> got;
    ASSERT_TRUE(first.listen([&](uint32_t c) { got.push_back(c); }));
    // The socket lives in the user's private runtime folder.
    EXPECT_TRUE(first.socketName().startsWith(QString::fromStdString(folder.path().string())));

    std::atomic<int> handed{-1};
    std::thread second([&] {
        wSingleInstance other(QStringLiteral("tKestova.UnicodeClass"));
        handed = other.notifyRunning(32778) ? 1 : 0;
    });
    ASSERT_TRUE(pumpUntil([&] { return handed.load() != -1; }, 5000));
    second.join();
    EXPECT_EQ(handed, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], 32778u);
}

TEST_F(SingleInstanceTest, NoRunningInstanceMeansNobodyTakesTheCommand) {
    wSingleInstance alone(QStringLiteral("tKestova.UnicodeClass"));
    EXPECT_FALSE(alone.notifyRunning(32778, 300));
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedInstanceIsTakenOver) {
    wSingleInstance probe(QStringLiteral("tKestova.UnicodeClass"));
    // A file nobody listens on, as a killed instance leaves its socket.
    QFile stale(probe.socketName());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_FALSE(probe.notifyRunning(32778, 300));
    EXPECT_TRUE(probe.listen([](uint32_t) {}));
}

TEST_F(SingleInstanceTest, DifferentKeysDoNotMeet) {
    wSingleInstance a(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(a.listen([](uint32_t) {}));
    wSingleInstance b(QStringLiteral("other.Class"));
    EXPECT_FALSE(b.notifyRunning(32778, 300));
}
