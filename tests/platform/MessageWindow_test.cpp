#include "LogWindow.h"
#include "PumpUntil.h"
#include "platform/MessageThread.h"
#include "platform/MessageWindow.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <chrono>

using namespace vorlane;
using namespace vorlane::test;

constexpr uint32_t kPing = msg::User + 1;

TEST(MessageWindow, CreateDeliversCreateAndDestroyInvalidatesHandle) {
    LogWindow w;
    ASSERT_TRUE(w.create());
    WindowHandle h = w.handle();
    EXPECT_NE(h, 0u);
    EXPECT_TRUE(MessageWindow::IsLiveWindow(h));
    EXPECT_EQ(w.count(msg::Create), 1u);
    w.destroy();
    EXPECT_EQ(w.count(msg::Destroy), 1u);
    EXPECT_FALSE(MessageWindow::IsLiveWindow(h));
    EXPECT_FALSE(MessageWindow::PostTo(h, kPing));
    // A new window never gets the old handle.
    LogWindow w2;
    ASSERT_TRUE(w2.create());
    EXPECT_NE(w2.handle(), h);
}

TEST(MessageWindow, CreateRefusedByHandlerLeavesNoWindow) {
    LogWindow w;
    w.handler = [](const Message& m, intptr_t& r) {
        if (m.msg != msg::Create)
            return false;
        r = -1;
        return true;
    };
    EXPECT_FALSE(w.create());
    EXPECT_FALSE(w.isWindow());
    EXPECT_EQ(w.count(msg::Destroy), 1u);
}

TEST(MessageWindow, PostedMessagesArriveInOrderFromAnotherThread) {
    LogWindow w;
    ASSERT_TRUE(w.create());
    WindowHandle h = w.handle();
    std::thread t([h] {
        for (int i = 0; i < 200; ++i)
            MessageWindow::PostTo(h, kPing, uintptr_t(i), -i);
    });
    t.join();
    ASSERT_TRUE(pumpUntil([&] { return w.count(kPing) == 200; }, 5000));
    int expected = 0;
    for (auto& m : w.of(kPing)) {
        EXPECT_EQ(m.wParam, uintptr_t(expected));
        EXPECT_EQ(m.lParam, -expected++);
    }
}

TEST(MessageWindow, PostedTextIsOwnedByTheMessage) {
    LogWindow w;
    ASSERT_TRUE(w.create());
    {
        std::string suffix = "FM 98.1";
        w.postText(msg::ScheduledRecording, 0, suffix);
        suffix.assign("overwritten");
    }
    ASSERT_TRUE(pumpUntil([&] { return w.count(msg::ScheduledRecording) == 1; }, 2000));
    auto log = w.log();
    ASSERT_TRUE(log.back().text);
    EXPECT_EQ(*log.back().text, "FM 98.1");
}

// On the window's own thread a send is a direct call; from another it waits for the
// handler's result.
TEST(MessageWindow, SendReturnsTheHandlersResult) {
    LogWindow w;
    w.handler = [](const Message& m, intptr_t& r) {
        r = intptr_t(m.wParam) + m.lParam;
        return m.msg == kPing;
    };
    ASSERT_TRUE(w.create());
    EXPECT_EQ(w.send(kPing, 21, 21), 42);
    WindowHandle h = w.handle();
    std::atomic<bool> ok{false};
    std::atomic<intptr_t> got{0};
    std::thread t([&] {
        intptr_t r = 0;
        ok = MessageWindow::TrySendTo(h, kPing, 40, 2, &r);
        got = r;
    });
    ASSERT_TRUE(pumpUntil([&] { return got.load() != 0; }, 5000));
    t.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, 42);
}

TEST(MessageWindow, SendTimesOutWhenTheReceiverIsBusy) {
    // The receiver's thread never runs its loop while the sender waits.
    LogWindow w;
    ASSERT_TRUE(w.create());
    WindowHandle h = w.handle();
    std::atomic<bool> ok{true};
    std::atomic<long> elapsed{0};
    std::thread t([&] {
        auto start = std::chrono::steady_clock::now();
        ok = MessageWindow::TrySendTo(h, kPing, 0, 0, nullptr, 100);
        elapsed = msSince(start);
    });
    t.join();
    EXPECT_FALSE(ok);
    EXPECT_GE(elapsed, 90);
    EXPECT_LT(elapsed, 5000);
}

TEST(MessageWindow, SenderIsReleasedWhenTheWindowGoesAwayUnhandled) {
    auto w = std::make_unique<LogWindow>();
    ASSERT_TRUE(w->create());
    WindowHandle h = w->handle();
    std::atomic<int> state{0}; // 0 waiting, 1 returned false, 2 returned true
    std::thread t([&] { state = MessageWindow::TrySendTo(h, kPing) ? 2 : 1; });
    // Let the send be queued, then destroy without pumping.
    QThread::msleep(50);
    w.reset();
    t.join();
    EXPECT_EQ(state, 1);
}

// A timer set from another thread fires on the window's own, periodically until killed.
TEST(MessageWindow, TimerIsPeriodicUntilKilled) {
    LogWindow w;
    std::atomic<bool> onOwner{true};
    QThread* owner = QThread::currentThread();
    w.handler = [&](const Message& m, intptr_t&) {
        if (m.msg == msg::Timer && QThread::currentThread() != owner)
            onOwner = false;
        return false;
    };
    ASSERT_TRUE(w.create());
    std::thread t([&] { w.setTimer(0x10001, 20); });
    t.join();
    ASSERT_TRUE(pumpUntil([&] { return w.count(msg::Timer) >= 3; }, 3000));
    EXPECT_TRUE(onOwner);
    w.killTimer(0x10001);
    size_t n = w.count(msg::Timer);
    pumpFor(100);
    EXPECT_EQ(w.count(msg::Timer), n);
    for (auto& m : w.of(msg::Timer))
        EXPECT_EQ(m.wParam, 0x10001u);
}

TEST(MessageWindow, SettingARunningTimerRestartsIt) {
    LogWindow w;
    ASSERT_TRUE(w.create());
    w.setTimer(7, 500);
    auto start = std::chrono::steady_clock::now();
    // Re-arm every 50 ms for a second: it must never fire meanwhile.
    while (msSince(start) < 1000) {
        pumpFor(50);
        w.setTimer(7, 500);
    }
    EXPECT_EQ(w.count(msg::Timer), 0u);
    ASSERT_TRUE(pumpUntil([&] { return w.count(msg::Timer) == 1; }, 2000));
}

TEST(MessageWindow, DestroyInsideAHandlerIsSafe) {
    LogWindow w;
    w.handler = [&](const Message& m, intptr_t&) {
        if (m.msg == kPing) {
            w.destroy();
            return true;
        }
        return false;
    };
    ASSERT_TRUE(w.create());
    w.post(kPing);
    w.post(kPing); // dropped: the window is gone by then
    ASSERT_TRUE(pumpUntil([&] { return !w.isWindow(); }, 2000));
    pumpFor(30);
    EXPECT_EQ(w.count(kPing), 1u);
}

TEST(CloseAndWait, WaitsForAWindowOnAnotherThread) {
    MessageThread thread("worker");
    LogWindow* w = nullptr;
    ASSERT_TRUE(thread.start(
        [&] {
            w = new LogWindow;
            return w->create();
        },
        [&] { delete w; }));
    WindowHandle h = w->handle();
    EXPECT_TRUE(CloseAndWait(h, 2000));
    EXPECT_FALSE(MessageWindow::IsLiveWindow(h));
    thread.quit();
    EXPECT_TRUE(thread.wait(2000));
}

TEST(CloseAndWait, GivesUpAfterTheTimeOut) {
    LogWindow w;
    w.handler = [](const Message& m, intptr_t&) { return m.msg == msg::Close; }; // never closes
    ASSERT_TRUE(w.create());
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CloseAndWait(w.handle(), 120));
    auto ms = msSince(start);
    EXPECT_GE(ms, 110);
    EXPECT_LT(ms, 5000);
    EXPECT_TRUE(w.isWindow());
    EXPECT_EQ(w.count(msg::Close), 1u); // the close was delivered while pumping
}
