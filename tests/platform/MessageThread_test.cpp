#include "LogWindow.h"
#include "platform/MessageThread.h"
#include "platform/MessageWindow.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>

using namespace vorlane;

constexpr uint32_t kQuit = msg::User + 9;

TEST(MessageThread, RunsInitOnTheNewThreadAndEndsWithTheQuitCode) {
    MessageThread t("device");
    test::LogWindow* w = nullptr;
    std::atomic<QThread*> windowThread{nullptr};
    bool finishedOnThread = false;
    ASSERT_TRUE(t.start(
        [&] {
            // Ends its thread's loop with the code it is sent.
            w = new test::LogWindow;
            w->handler = [&](const Message& m, intptr_t&) {
                if (m.msg == msg::Create)
                    windowThread = QThread::currentThread();
                if (m.msg == kQuit)
                    PostQuitMessage(int(m.wParam));
                return m.msg == kQuit;
            };
            return w->create();
        },
        [&] {
            finishedOnThread = QThread::currentThread() == windowThread.load();
            delete w;
        }));
    EXPECT_NE(windowThread.load(), QThread::currentThread());
    EXPECT_TRUE(MessageWindow::PostTo(w->handle(), kQuit, 7));
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
