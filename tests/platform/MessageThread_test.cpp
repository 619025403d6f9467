#include "platform/MessageThread.h"
#include "platform/MessageWindow.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <chrono>

using namespace vorlane;

namespace {
constexpr uint32_t kQuit = msg::User + 9;

// Ends its thread's loop with the code it is sent.
class QuitWindow : public MessageWindow {
public:
    ~QuitWindow() override { destroy(); }
    std::atomic<QThread*> thread{nullptr};

protected:
    bool processMessage(const Message& m, intptr_t&) override {
        if (m.msg == msg::Create)
            thread = QThread::currentThread();
        if (m.msg == kQuit) {
            PostQuitMessage(int(m.wParam));
            return true;
        }
        return false;
    }
};
} // namespace

TEST(MessageThread, RunsInitOnTheNewThreadAndEndsWithTheQuitCode) {
    MessageThread t("device");
    QuitWindow* w = nullptr;
    bool finishedOnThread = false;
    ASSERT_TRUE(t.start(
        [&] {
            w = new QuitWindow;
            return w->create();
        },
        [&] {
            finishedOnThread = QThread::currentThread() == w->thread.load();
            delete w;
        }));
    EXPECT_NE(w->thread.load(), QThread::currentThread());
    EXPECT_TRUE(MessageWindow::Post(w->handle(), kQuit, 7));
    ASSERT_TRUE(t.wait(3000));
    EXPECT_EQ(t.exitCode(), 7);
    EXPECT_TRUE(finishedOnThread);
}

TEST(MessageThread, FailedInitEndsTheThreadWithoutALoop) {
    MessageThread t("device");
    bool finished = false;
    EXPECT_FALSE(t.start([] { return false; }, [&] { finished = true; }));
    EXPECT_TRUE(t.wait(2000));
    EXPECT_FALSE(finished);
    EXPECT_EQ(t.exitCode(), 0);
}

TEST(MessageThread, StartGivesUpWhenInitTakesTooLong) {
    MessageThread t("slow");
    EXPECT_FALSE(t.start(
        [] {
            QThread::msleep(300);
            return true;
        },
        {}, 50));
    // The destructor still ends the thread in order.
}

TEST(MessageThread, DestructorEndsARunningLoop) {
    auto t = std::make_unique<MessageThread>("idle");
    ASSERT_TRUE(t->start([] { return true; }));
    EXPECT_TRUE(t->isRunning());
    t.reset(); // must not hang
    SUCCEED();
}

namespace {
constexpr uint32_t kHang = msg::User + 10;

// Blocks its thread in a handler until released, as a thread stuck in a device call.
class StuckWindow : public MessageWindow {
public:
    ~StuckWindow() override { destroy(); }
    std::atomic<bool> stuck{false};
    std::atomic<bool> release{false};

protected:
    bool processMessage(const Message& m, intptr_t&) override {
        if (m.msg != kHang)
            return false;
        stuck = true;
        while (!release)
            QThread::msleep(5);
        return true;
    }
};
} // namespace

TEST(MessageThread, AThreadThatIgnoresTheStopIsLeftBehindNotDestroyed) {
    // Outlives the thread object on purpose; static, so it is no leak either.
    static auto* window = new StuckWindow;
    std::chrono::steady_clock::time_point before;
    {
        MessageThread t("device");
        ASSERT_TRUE(t.start([] { return window->create(); }));
        window->post(kHang);
        while (!window->stuck)
            QThread::msleep(1);
        t.quit();
        EXPECT_FALSE(t.wait(100));
        t.abandon();
        EXPECT_TRUE(t.abandoned());
        before = std::chrono::steady_clock::now();
        // Destroying a running QThread would end this process here.
    }
    // Given up once: no second wait.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    window->release = true;
}
