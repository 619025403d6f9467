#include "CatalogueQuery.h"
#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace vorlane::test;

namespace {

struct Ran {
    int code = -1;
    std::string out, err;
};

// `vorlane <args>` run as a later start, without a display; `asUser`: run through setpriv as that
// uid and gid.
Ran later(const QStringList& args, int asUser = -1) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    QProcess p;
    p.setProcessEnvironment(env);
    if (asUser < 0) {
        p.start(VORLANE_EXECUTABLE, args);
    } else {
        const QString id = QString::number(asUser);
        p.start("setpriv", QStringList{"--reuid=" + id, "--regid=" + id, "--clear-groups", "--",
                                       VORLANE_EXECUTABLE} +
                               args);
    }
    Ran r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

// The parts of a status line, or nothing when the line is not in its form.
struct StatusLine {
    bool valid = false;
    std::string state, elapsed, file;
    int dropouts = -1;
};
StatusLine parseStatus(const std::string& out) {
    static const std::regex form(
        R"(^(idle|recording|paused|scheduler) elapsed=(\d\d:\d\d:\d\d) dropouts=(\d+) file=(.*)\n$)");
    std::smatch m;
    StatusLine s;
    if (!std::regex_match(out, m, form))
        return s;
    return {true, m[1], m[2], m[4], std::stoi(m[3])};
}

StatusLine status() {
    const Ran r = later({"--status"});
    EXPECT_EQ(r.code, 0) << r.err;
    const StatusLine s = parseStatus(r.out);
    EXPECT_TRUE(s.valid) << r.out;
    return s;
}

} // namespace

// With no program running, every command but --record says so and fails, without a display.
TEST(CommandLineControl, ACommandWithoutARunningProgramSaysSoWithStatus1) {
    TestProgramFolder folder;
    usePrivateSession(folder);
    for (const char* command : {"--status", "--stop", "--pause", "--divide", "--show", "--quit"}) {
        const Ran r = later({command});
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_EQ(r.err, "Vorlane is not running\n") << command;
        EXPECT_EQ(r.out, "") << command;
    }
    EXPECT_FALSE(fs::exists(folder / "Resource/NewData.mdb"));
}

// The real program, started by `vorlane --record` with the simulated turntable, records,
// divides and stops on the commands of later starts alone, which say what they did in their
// status; another user's commands are refused, and --quit ends it in order.
TEST(CommandLineControl, ARecordingDrivenOnlyByCommandsOfLaterStarts) {
    TestProgramFolder folder;
    const fs::path records = useToneSession(folder, {{30, 440}});
    writeSettings(folder, "Option",
                  {{"RecordFileType", "0"},
                   {"RecordDiviType", "0"},
                   {"RecordNo", "1"},
                   {"RecordTrack", "1"}});
    ProgramProcess program(folder, {}, VORLANE_EXECUTABLE, {}, {"--record"});
    ASSERT_TRUE(program.process.waitForStarted(5000));
    StatusLine s;
    ASSERT_TRUE(pumpUntil(
        [&] {
            s = parseStatus(later({"--status"}).out);
            return s.state == "recording";
        },
        20000, 200))
        << "not recording: " << program.errors();
    EXPECT_EQ(fs::path(s.file).parent_path(), records);
    EXPECT_TRUE(fs::path(s.file).filename().string().starts_with("No.01-Track001_")) << s.file;
    EXPECT_EQ(s.dropouts, 0);

    Ran r = later({"--record"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "already recording\n");

    pumpFor(2500);
    s = status();
    EXPECT_EQ(s.state, "recording");
    EXPECT_GE(s.elapsed, "00:00:02");
    r = later({"--divide"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    s = status();
    EXPECT_TRUE(fs::path(s.file).filename().string().starts_with("No.01-Track002_")) << s.file;
    EXPECT_LE(s.elapsed, "00:00:01");

    if (::geteuid() == 0) {
        // The user's own commands only: another user's start talks to no instance...
        r = later({"--stop"}, 65534);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.ends_with("Vorlane is not running\n")) << r.err;
        // ...and even a connection that reaches the socket gets no answer and does nothing.
        const fs::path socket = folder / ("tKestova.UnicodeClass-" + std::to_string(::getuid()));
        ASSERT_TRUE(fs::exists(socket));
        ::chmod(folder.path().c_str(), 0711);
        ::chmod(socket.c_str(), 0777);
        QProcess raw;
        raw.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                              "/usr/bin/python3", "-I", "-c",
                              "import socket, sys\n"
                              "s = socket.socket(socket.AF_UNIX)\n"
                              "s.connect(sys.argv[1])\n"
                              "s.settimeout(5)\n"
                              "try:\n"
                              "    s.sendall(b'vorlane/1 stop\\n')\n"
                              "    print('answer=%r' % s.recv(100))\n"
                              "except (BrokenPipeError, ConnectionResetError):\n"
                              "    print('answer=%r' % b'')\n",
                              QString::fromStdString(socket.string())});
        ASSERT_TRUE(raw.waitForFinished(10000));
        ::chmod(socket.c_str(), 0700);
        ::chmod(folder.path().c_str(), 0700);
        EXPECT_EQ(raw.readAllStandardOutput().toStdString(), "answer=b''\n")
            << raw.readAllStandardError().toStdString();
        EXPECT_EQ(status().state, "recording");
    } else {
        std::fprintf(stderr, "not root: another user's commands are not tried\n");
    }

    pumpFor(2000);
    r = later({"--stop"});
    EXPECT_EQ(r.code, 0) << r.err;
    s = status();
    EXPECT_EQ(s.state, "idle");
    EXPECT_EQ(s.elapsed, "00:00:00");
    EXPECT_EQ(s.file, "");
    r = later({"--stop"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "not recording\n");

    const std::vector<fs::path> files = filesIn(records);
    ASSERT_EQ(files.size(), 2u);
    const std::vector<RecordingRow> rows = recordingRows(folder / "Resource/NewData.mdb");
    ASSERT_EQ(rows.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(files[i].filename().string());
        EXPECT_TRUE(files[i].filename().string().starts_with("No.01-Track00" +
                                                             std::to_string(i + 1) + "_"));
        EXPECT_EQ(rows[i].path, files[i].string());
        // 44,100 frames of 4 bytes a second after the 44-byte header.
        const double seconds = double(fs::file_size(files[i]) - 44) / 176400;
        EXPECT_GT(seconds, 2.0);
        EXPECT_NEAR(durationSeconds(rows[i].duration), seconds, 1.5) << rows[i].duration;
    }
    EXPECT_EQ(readSetting(folder, "Option", "RecordNo"), "2");
    EXPECT_EQ(readSetting(folder, "Option", "RecordTrack"), "1");

    // --quit comes back once the program has ended.
    r = later({"--quit"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(program.finished(1000));
    EXPECT_TRUE(program.endedWith(0)) << program.errors();
}

// Without a device, --record is refused by a running program, and a program started by
// --record waits its bound for one, then says that it does not record.
TEST(CommandLineControl, WithoutADeviceRecordIsRefusedAndAStartToRecordSaysSo) {
    TestProgramFolder folder;
    copyGeneratedResources(folder);
    usePrivateSession(folder);
    writeSettings(folder, "Option", {{"RecordFilePath", (folder / "records").string()}});
    ProgramProcess program(folder, {}, VORLANE_EXECUTABLE, {}, {"--record"});
    ASSERT_TRUE(program.process.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil([&] { return later({"--status"}).code == 0; }, 20000, 200))
        << program.errors();
    EXPECT_EQ(status().state, "idle");
    const struct {
        const char* option;
        const char* says;
    } cases[] = {{"--record", "no device connected\n"},
                 {"--pause", "not recording\n"},
                 {"--divide", "not recording\n"}};
    for (const auto& c : cases) {
        const Ran r = later({c.option});
        EXPECT_EQ(r.code, 1) << c.option;
        EXPECT_EQ(r.err, c.says) << c.option;
    }
    EXPECT_TRUE(pumpUntil(
        [&] {
            return program.errors().find("no device connected within 15 s; not recording") !=
                   std::string::npos;
        },
        20000, 100))
        << program.errors();
    EXPECT_EQ(status().state, "idle");
    EXPECT_TRUE(filesIn(folder / "records").empty());
    const Ran r = later({"--quit"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(program.finished(1000));
}

// A start that finds the instance's lock held by someone who does not answer waits for the
// hand-over; when the lock comes free meanwhile (the other instance ended) it becomes the
// instance, and when it does not, it ends with 1 instead of passing for a start that worked.
TEST(CommandLineControl, AStartFacingASilentLockTakesOverOrFails) {
    for (bool released : {true, false}) {
        SCOPED_TRACE(released ? "the lock comes free" : "the lock stays");
        TestProgramFolder folder;
        copyGeneratedResources(folder);
        usePrivateSession(folder);
        const fs::path lock =
            folder / ("tKestova.UnicodeClass-" + std::to_string(::getuid()) + ".lock");
        int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        ProgramProcess program(folder);
        ASSERT_TRUE(program.process.waitForStarted(5000));
        if (released) {
            pumpFor(1500);
            ::close(fd);
            EXPECT_TRUE(pumpUntil([&] { return later({"--status"}).code == 0; }, 20000, 200))
                << program.errors();
            EXPECT_TRUE(program.endInOrder());
        } else {
            EXPECT_TRUE(program.finished(20000));
            EXPECT_TRUE(program.endedWith(1));
            EXPECT_NE(program.errors().find("another instance runs but did not answer"),
                      std::string::npos)
                << program.errors();
            ::close(fd);
        }
    }
}
