#include "PumpUntil.h"
#include "ScopedEnv.h"
#include "TestProgramFolder.h"
#include "platform/wSingleInstance.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
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

namespace {

using vorlane::test::ScopedEnv;
namespace fs = std::filesystem;

// Another local user (running as root, the tests can be anyone).
constexpr uid_t kOtherUser = 65534;
constexpr gid_t kOtherGroup = 65534;

bool privateToMe(const fs::path& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 07777) == 0700;
}

// A process of the other user that holds a local socket at `path`: one that answers "ok" to
// every command, as a running instance does (and counts them), one that never takes a
// connection, or one that nobody listens on. Or, with Lock, a file at `path` that it holds
// locked. Made in `scratch` (which that user may write) and then moved into place.
class ForeignProcess {
public:
    enum Kind { Answers, NeverAccepts, NotListening, Lock };

    ForeignProcess(const fs::path& scratch, const fs::path& path, Kind kind) {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(count_) != 0)
            return;
        const std::string made = (scratch / "made").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(count_[0]);
            if (::setgid(kOtherGroup) != 0 || ::setuid(kOtherUser) != 0)
                ::_exit(1);
            if (kind == Lock) {
                int fd = ::open(made.c_str(), O_RDWR | O_CREAT, 0644);
                if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
                    ::_exit(2);
                (void)!::write(ready[1], "r", 1);
                for (;;)
                    ::pause();
            }
            int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            std::snprintf(a.sun_path, sizeof a.sun_path, "%s", made.c_str());
            if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
                (kind != NotListening && ::listen(s, 0) != 0))
                ::_exit(2);
            (void)!::write(ready[1], "r", 1);
            for (;;) {
                int c = kind == Answers ? ::accept(s, nullptr, nullptr) : -1;
                if (c < 0) {
                    ::pause();
                    continue;
                }
                char line[64];
                if (::read(c, line, sizeof line) > 0) {
                    (void)!::write(count_[1], "c", 1);
                    (void)!::write(c, "ok\n", 3);
                }
                ::close(c);
            }
        }
        ::close(ready[1]);
        ::close(count_[1]);
        char r = 0;
        ready_ = ::read(ready[0], &r, 1) == 1;
        ::close(ready[0]);
        ::fcntl(count_[0], F_SETFL, O_NONBLOCK);
        std::error_code ec;
        fs::rename(made, path, ec);
        ready_ = ready_ && !ec;
        if (kind == NeverAccepts) {
            // Its one place in the queue taken: the next connection waits.
            filler_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
            ready_ = ready_ && ::connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        }
    }
    ~ForeignProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(count_[0]);
        if (filler_ >= 0)
            ::close(filler_);
    }
    bool ready() const { return ready_; }
    int commands() {
        char buf[64];
        for (ssize_t n; (n = ::read(count_[0], buf, sizeof buf)) > 0;)
            seen_ += int(n);
        return seen_;
    }

private:
    pid_t pid_ = -1;
    int count_[2] = {-1, -1};
    int filler_ = -1;
    int seen_ = 0;
    bool ready_ = false;
};

// Without a usable runtime folder (su, ssh): the temporary and cache folders are the test's.
class NoRuntimeFolderTest : public ::testing::Test {
protected:
    void SetUp() override { fs::permissions(folder.path(), fs::perms(0755)); }
    // Fresh temporary and cache folders (anyone may write the temporary one, as /tmp).
    void useFolders(const std::string& tag) {
        temp = folder / ("tmp-" + tag);
        cache = folder / ("cache-" + tag);
        fs::create_directories(temp);
        fs::permissions(temp, fs::perms(01777));
        tmpEnv.emplace("TMPDIR", temp.string());
        cacheEnv.emplace("XDG_CACHE_HOME", cache.string());
    }
    fs::path own(const fs::path& in) const {
        return in / ("vorlane-" + std::to_string(::geteuid()));
    }

    vorlane::test::TestProgramFolder folder{false};
    ScopedEnv noRuntime{"XDG_RUNTIME_DIR", std::nullopt};
    std::optional<ScopedEnv> tmpEnv, cacheEnv;
    fs::path temp, cache;
};

} // namespace

// The instance lives in a folder of the user's own: made 0700, or taken and closed to others
// when it is the user's already. A runtime folder that others may enter, or a link, is not
// used.
TEST_F(NoRuntimeFolderTest, TheInstanceLivesInAPrivateFolderOfTheUsersOwn) {
    const fs::path open = folder / "open-runtime";
    fs::create_directories(open);
    fs::permissions(open, fs::perms(0755));
    const fs::path closed = folder / "closed-runtime";
    fs::create_directories(closed);
    fs::permissions(closed, fs::perms(0700));
    fs::create_directory_symlink(closed, folder / "linked-runtime");
    struct Case {
        const char* name;
        std::optional<std::string> runtime;
        mode_t existing; // 0: the folder is made
    } cases[] = {{"no runtime folder", std::nullopt, 0},
                 {"a runtime folder others may enter", open.string(), 0},
                 {"a link as the runtime folder", (folder / "linked-runtime").string(), 0},
                 {"an own folder left open", std::nullopt, 0777}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useFolders(std::to_string(n++));
        ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        if (c.existing) {
            fs::create_directory(own(temp));
            fs::permissions(own(temp), fs::perms(c.existing));
        }
        EXPECT_EQ(wSingleInstance::privateFolder().toStdString(), own(temp).string());
        EXPECT_TRUE(privateToMe(own(temp)));
        wSingleInstance first(QStringLiteral("tKestova.UnicodeClass"));
        EXPECT_EQ(fs::path(first.socketName().toStdString()).parent_path(), own(temp));
        ASSERT_TRUE(first.claim());
        int got = 0;
        ASSERT_TRUE(first.listen(32778, [&] { ++got; }));
        wSingleInstance second(QStringLiteral("tKestova.UnicodeClass"));
        EXPECT_FALSE(second.claim());
        EXPECT_EQ(handOver(32778), 1);
        EXPECT_EQ(got, 1);
    }
    // A private runtime folder is used as it is.
    ScopedEnv runtime("XDG_RUNTIME_DIR", closed.string());
    EXPECT_EQ(wSingleInstance::privateFolder().toStdString(), closed.string());
}

// What another local user leaves in the shared folders, or even (as root could) in the
// user's own, neither keeps a start from becoming the instance nor receives its commands.
TEST_F(NoRuntimeFolderTest, NamesPlantedByAnotherUserNeitherStopNorSteerAStart) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    const fs::path scratch = folder / "theirs";
    fs::create_directories(scratch);
    fs::permissions(scratch, fs::perms(0777));
    const std::string uid = std::to_string(::getuid());
    const std::string lockName = "tKestova.UnicodeClass-" + uid + ".lock";
    const std::string socketName = "tKestova.UnicodeClass-" + uid;
    auto theirFile = [](const fs::path& path) {
        vorlane::test::writeBytes(path, "");
        return ::chown(path.c_str(), kOtherUser, kOtherGroup) == 0;
    };
    auto theirFolder = [&](const fs::path& path) {
        fs::create_directories(path);
        fs::permissions(path, fs::perms(0777));
        return ::chown(path.c_str(), kOtherUser, kOtherGroup) == 0;
    };
    std::unique_ptr<ForeignProcess> listener;
    struct Case {
        const char* name;
        bool inCache; // the user's folder in the temporary folder is someone else's
        std::function<bool()> plant;
    } cases[] = {
        {"a lock file and a listener at the names in the temporary folder", false,
         [&] {
             listener = std::make_unique<ForeignProcess>(scratch, temp / socketName,
                                                         ForeignProcess::Answers);
             return theirFile(temp / lockName) && listener->ready();
         }},
        {"a folder of theirs at the private folder's name", true,
         [&] { return theirFolder(own(temp)); }},
        {"a link to a folder of theirs at the private folder's name", true,
         [&] {
             fs::create_directory_symlink(scratch, own(temp));
             return true;
         }},
        {"a lock file of theirs in the user's folder", false,
         [&] {
             fs::create_directory(own(temp));
             fs::permissions(own(temp), fs::perms(0700));
             return theirFile(own(temp) / lockName);
         }},
        {"a listener of theirs at the socket", false,
         [&] {
             fs::create_directory(own(temp));
             fs::permissions(own(temp), fs::perms(0700));
             listener = std::make_unique<ForeignProcess>(scratch, own(temp) / socketName,
                                                         ForeignProcess::Answers);
             return listener->ready();
         }},
        {"a listener of theirs that takes no connection", false,
         [&] {
             fs::create_directory(own(temp));
             fs::permissions(own(temp), fs::perms(0700));
             listener = std::make_unique<ForeignProcess>(scratch, own(temp) / socketName,
                                                         ForeignProcess::NeverAccepts);
             return listener->ready();
         }},
        {"a lock of theirs, held, in the user's folder", false,
         [&] {
             fs::create_directory(own(temp));
             fs::permissions(own(temp), fs::perms(0700));
             listener = std::make_unique<ForeignProcess>(scratch, own(temp) / lockName,
                                                         ForeignProcess::Lock);
             return listener->ready();
         }},
        {"a socket of theirs nobody listens on", false,
         [&] {
             fs::create_directory(own(temp));
             fs::permissions(own(temp), fs::perms(0700));
             listener = std::make_unique<ForeignProcess>(scratch, own(temp) / socketName,
                                                         ForeignProcess::NotListening);
             return listener->ready();
         }},
        {"a socket file of the user's with their listener behind it", false,
         [&] {
             fs::create_directory(own(temp));
             fs::permissions(own(temp), fs::perms(0700));
             listener = std::make_unique<ForeignProcess>(scratch, own(temp) / socketName,
                                                         ForeignProcess::Answers);
             return listener->ready() &&
                    ::lchown((own(temp) / socketName).c_str(), ::geteuid(), ::getegid()) == 0;
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useFolders(std::to_string(n++));
        listener.reset();
        ASSERT_TRUE(c.plant());
        const fs::path home = c.inCache ? own(cache) : own(temp);

        wSingleInstance first(QStringLiteral("tKestova.UnicodeClass"));
        EXPECT_EQ(fs::path(first.socketName().toStdString()).parent_path(), home);
        EXPECT_TRUE(privateToMe(home));
        ASSERT_TRUE(first.claim()) << "a planted name stopped the start";
        // A start before the first listens talks to no one else.
        wSingleInstance early(QStringLiteral("tKestova.UnicodeClass"));
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(early.notifyRunning(32778, 300));
        int got = 0;
        ASSERT_TRUE(first.listen(32778, [&] { ++got; }));
        EXPECT_LT(t.elapsed(), 2000);
        EXPECT_EQ(handOver(32778), 1);
        EXPECT_EQ(got, 1);
        if (listener) {
            EXPECT_EQ(listener->commands(), 0) << "a command went to the other user";
        }
    }
}

namespace {

using Status = InstanceProtocol::Status;
using Outcome = wSingleInstance::Exchange::Outcome;

// A raw client on a thread of its own while this one serves the socket: writes `bytes` and
// returns everything that comes back until the instance closes the connection, or ms pass.
std::string rawExchange(const QString& socketName, const std::string& bytes, int ms = 3000) {
    std::string got;
    std::atomic<bool> done{false};
    std::thread client([&] {
        int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", socketName.toLocal8Bit().constData());
        if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            (void)!::send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            QElapsedTimer t;
            t.start();
            for (;;) {
                pollfd p{s, POLLIN, 0};
                if (::poll(&p, 1, std::max(1, int(ms - t.elapsed()))) <= 0)
                    break;
                char buf[4096];
                const ssize_t n = ::read(s, buf, sizeof buf);
                if (n <= 0)
                    break;
                got.append(buf, size_t(n));
            }
        }
        ::close(s);
        done = true;
    });
    pumpUntil([&] { return done.load(); }, ms + 2000);
    client.join();
    return got;
}

// wSingleInstance::request from a thread of its own while this one serves the socket.
wSingleInstance::Exchange ask(const std::string& command, int timeoutMs = 2000, int endWaitMs = 0,
                              const std::function<void()>& meanwhile = {}) {
    wSingleInstance::Exchange ex;
    std::atomic<bool> done{false};
    std::thread client([&] {
        wSingleInstance other(QStringLiteral("tKestova.UnicodeClass"));
        ex = other.request(command, timeoutMs, endWaitMs);
        done = true;
    });
    pumpUntil([&] { return done.load() || (meanwhile && (meanwhile(), false)); },
              timeoutMs + endWaitMs + 2000);
    client.join();
    return ex;
}

} // namespace

// Requests reach the handler one per connection; everything the instance cannot read gets a
// refusal that says why, and the instance goes on serving. The old open request still works.
TEST_F(SingleInstanceTest, RequestsReachTheHandlerAndGarbageIsRefusedWithoutHarm) {
    wSingleInstance first(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(first.claim());
    int opened = 0;
    ASSERT_TRUE(first.listen(32778, [&] { ++opened; }));
    const QString name = first.socketName();
    EXPECT_EQ(rawExchange(name, "vorlane/1 status\n"),
              "vorlane/1 busy Vorlane is still starting\n");

    std::vector<std::string> seen;
    first.setRequestHandler([&](const std::string& command) -> wSingleInstance::Reply {
        seen.push_back(command);
        if (command == "stop")
            return {Status::Error, "not recording", false};
        return {Status::Ok, "seen " + command, false};
    });
    const struct {
        const char* name;
        std::string bytes, answer;
    } cases[] = {
        {"a request", "vorlane/1 status\n", "vorlane/1 ok seen status\n"},
        {"a refusal", "vorlane/1 stop\n", "vorlane/1 error not recording\n"},
        {"another version", "vorlane/7 status\n",
         "vorlane/1 bad unsupported protocol version 'vorlane/7' (this is vorlane/1)\n"},
        {"a flood without a line break", std::string(64 * 1024, 'x'),
         "vorlane/1 bad request too long\n"},
        {"a long line", std::string(600, 'y') + "\n", "vorlane/1 bad request too long\n"},
        {"binary", std::string("\x00\x01\xff garbage\n", 12),
         "vorlane/1 bad not a request of this program\n"},
        {"a second request on one connection", "vorlane/1 status\nvorlane/1 quit\n",
         "vorlane/1 ok seen status\n"},
        {"the open command", "32778\n", "ok\n"},
        {"another number", "1016\n", "bad\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The old start closes the connection itself; a request is closed by the instance.
        EXPECT_EQ(rawExchange(name, c.bytes, c.answer.starts_with("vorlane/") ? 3000 : 300),
                  c.answer);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"status", "stop", "status"}));
    EXPECT_EQ(opened, 1);

    const wSingleInstance::Exchange ex = ask("divide");
    ASSERT_EQ(ex.outcome, Outcome::Answered);
    EXPECT_TRUE(ex.answer.valid);
    EXPECT_EQ(ex.answer.status, Status::Ok);
    EXPECT_EQ(ex.answer.text, "seen divide");
}

// The asker waits for an answer no longer than its bound: without an instance at all, with
// an instance that does not serve its socket, and when the instance holds as many silent
// connections as it takes, until it drops them.
TEST_F(SingleInstanceTest, NoInstanceOrAWedgedOrCrowdedOneCostsTheAskerOnlyItsBound) {
    wSingleInstance asker(QStringLiteral("tKestova.UnicodeClass"));
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(asker.request("status", 2000).outcome, Outcome::NotRunning);
    EXPECT_LT(t.elapsed(), 500);

    wSingleInstance first(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(first.claim());
    ASSERT_TRUE(first.listen(32778, [] {}));
    first.setRequestHandler([](const std::string&) { return wSingleInstance::Reply{}; });
    // This thread asks, so nobody serves the socket: wedged.
    t.restart();
    EXPECT_EQ(asker.request("status", 300).outcome, Outcome::NoAnswer);
    EXPECT_LT(t.elapsed(), 1500);

    // The wedged request's connection goes first.
    vorlane::test::pumpFor(200);

    std::vector<int> silent;
    for (int i = 0; i < wSingleInstance::kMaxConnections; ++i) {
        int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s",
                      first.socketName().toLocal8Bit().constData());
        ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        silent.push_back(s);
    }
    vorlane::test::pumpFor(200);
    EXPECT_EQ(ask("status", 1000).outcome, Outcome::NoAnswer) << "a connection beyond the limit";
    // Silent connections are dropped after a while, and room is made.
    auto closedByInstance = [](int s) {
        pollfd p{s, POLLIN, 0};
        char c;
        return ::poll(&p, 1, 0) == 1 && ::recv(s, &c, 1, MSG_DONTWAIT) == 0;
    };
    t.restart();
    EXPECT_TRUE(
        pumpUntil([&] { return std::all_of(silent.begin(), silent.end(), closedByInstance); },
                  wSingleInstance::kIdleMs + 2000))
        << "a silent connection was kept";
    EXPECT_GE(t.elapsed(), wSingleInstance::kIdleMs - 1500);
    EXPECT_EQ(ask("status").outcome, Outcome::Answered);
    for (int s : silent)
        ::close(s);
}

// After an answer that holds the connection (a quit), the asker learns when the instance has
// gone, within its bound.
TEST_F(SingleInstanceTest, AHeldAnswerTellsTheAskerWhenTheInstanceHasGone) {
    auto first = std::make_unique<wSingleInstance>(QStringLiteral("tKestova.UnicodeClass"));
    ASSERT_TRUE(first->claim());
    ASSERT_TRUE(first->listen(32778, [] {}));
    first->setRequestHandler([](const std::string&) {
        return wSingleInstance::Reply{Status::Ok, {}, true};
    });
    auto ex = ask("quit", 2000, 300);
    EXPECT_EQ(ex.answer.status, Status::Ok);
    EXPECT_FALSE(ex.ended);

    QElapsedTimer t;
    ex = ask("quit", 2000, 5000, [&] {
        if (!t.isValid()) {
            t.start();
        } else if (t.elapsed() > 500 && first) {
            first.reset();
        }
    });
    EXPECT_EQ(ex.answer.status, Status::Ok);
    EXPECT_TRUE(ex.ended);
}
