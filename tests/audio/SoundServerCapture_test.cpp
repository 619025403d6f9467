// Capture through a real PulseAudio server, private to the test: a pipe source fed with a
// known pattern stands for a sound card's source, with the card's properties that the
// server gives such sources. Only the card itself is faked: it answers "busy".
#include "TestProgramFolder.h"
#include "audio/AlsaCaptureSource.h"
#include "audio/CaptureMath.h"
#include "audio/SoundServerSources.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vorlane;
namespace fs = std::filesystem;

extern char** environ;

namespace {

constexpr const char* kCardName = "USB PnP Audio Device";
constexpr int16_t kLeft = 1000, kRight = -2000;
constexpr uint32_t kBlock = 22048;

// A card of that name whose own device is held by the sound server.
class BusyCardSource : public AlsaCaptureSource {
protected:
    Card cardOf(const std::string& pcmName) override {
        if (pcmName.rfind("plughw:CARD=Turntable", 0) == 0)
            return {7, kCardName};
        return AlsaCaptureSource::cardOf(pcmName);
    }
    int openPcm(snd_pcm_t** pcm, const std::string& name) override {
        if (name.rfind("plughw:", 0) == 0)
            return -EBUSY;
        return AlsaCaptureSource::openPcm(pcm, name);
    }
};

class SoundServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path socket = dir / "native";
        serverEnv.emplace("PULSE_SERVER", "unix:" + socket.string());
        if (!haveServer())
            return;
        std::ofstream script(dir / "server.pa");
        script << "load-module module-native-protocol-unix auth-anonymous=1 socket="
               << socket.string() << "\n"
               << "load-module module-pipe-source source_name=turntable file="
               << (dir / "turntable.fifo").string()
               << " format=s16le rate=44100 channels=2 source_properties=\"device.description='"
               << kCardName << " Analog Stereo' alsa.card='7' alsa.card_name='" << kCardName
               << "'\"\n"
               << "load-module module-null-sink sink_name=speakers\n";
        script.close();
        fs::create_directories(dir / "run");
        const std::string runtime = "XDG_RUNTIME_DIR=" + (dir / "run").string();
        const std::string home = "HOME=" + dir.path().string();
        const std::string scriptArg = "--file=" + (dir / "server.pa").string();
        const char* argv[] = {"pulseaudio",          "-n",
                              "--daemonize=no",      "--exit-idle-time=-1",
                              "--log-target=stderr", "--log-level=error",
                              scriptArg.c_str(),     nullptr};
        const char* envp[] = {runtime.c_str(), home.c_str(), "PATH=/usr/bin:/bin", nullptr};
        ASSERT_EQ(::posix_spawnp(&server, "pulseaudio", nullptr, nullptr, const_cast<char**>(argv),
                                 const_cast<char**>(envp)),
                  0);
        for (int i = 0; i < 100 && !(fs::exists(socket) && fs::exists(dir / "turntable.fifo")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(fs::exists(socket)) << "the sound server did not start";
        feeder = std::thread([this] { feed(); });
    }

    void TearDown() override {
        stopFeeding = true;
        if (feeder.joinable())
            feeder.join();
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
    }

    static bool haveServer() { return ::system("command -v pulseaudio >/dev/null") == 0; }

    // Plays the turntable: the pattern, paced roughly like a card. The writes do not block:
    // a source nobody records from stops reading, and a full pipe must not hold up the end
    // of the test.
    void feed() {
        int fd = ::open((dir / "turntable.fifo").c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return;
        std::vector<int16_t> chunk(4410 * 2);
        for (size_t i = 0; i < chunk.size(); i += 2) {
            chunk[i] = kLeft;
            chunk[i + 1] = kRight;
        }
        const auto* bytes = reinterpret_cast<const char*>(chunk.data());
        const size_t size = chunk.size() * 2;
        size_t done = 0; // a partial write must not shift the channels
        while (!stopFeeding) {
            ssize_t n = ::write(fd, bytes + done, size - done);
            if (n < 0 && errno != EAGAIN)
                break;
            done = n > 0 ? (done + size_t(n)) % size : done;
            std::this_thread::sleep_for(std::chrono::milliseconds(90));
        }
        ::close(fd);
    }

    test::TestProgramFolder dir{false};
    std::optional<test::ScopedEnv> serverEnv;
    pid_t server = 0;
    std::thread feeder;
    std::atomic<bool> stopFeeding{false};
};

// The server's source for the card is listed under the card's name and chosen for the
// device; a busy card is captured through it, and a busy card without one stays busy.
TEST_F(SoundServerTest, ABusyCardIsCapturedThroughTheServersSourceForIt) {
    if (!haveServer())
        GTEST_SKIP() << "pulseaudio is not installed";
    const std::vector<SoundServerSource> sources = SoundServerSources::List();
    ASSERT_EQ(sources.size(), 1u) << "the monitor of an output is no capture source";
    EXPECT_EQ(sources[0].name, "turntable");
    EXPECT_EQ(sources[0].card, 7);
    EXPECT_EQ(sources[0].cardName, kCardName);
    AlsaCaptureSource alsa;
    EXPECT_EQ(CaptureMath::ChooseDevice(alsa.listDevices(), 0xD201),
              SoundServerSources::PcmName("turntable"));

    BusyCardSource other;
    EXPECT_EQ(other.open("plughw:CARD=Other,DEV=0", WaveFormat::Capture(), kBlock / 4, 16), -EBUSY);
    EXPECT_FALSE(other.isOpen());
    EXPECT_NE(other.errorText().find("busy"), std::string::npos) << other.errorText();

    BusyCardSource source;
    ASSERT_EQ(source.open("plughw:CARD=Turntable,DEV=0", WaveFormat::Capture(), kBlock / 4, 16), 0)
        << source.errorText();
    EXPECT_EQ(source.openedName(), SoundServerSources::PcmName("turntable"));
    ASSERT_EQ(source.start(), 0) << source.errorText();

    // The server starts with silence; then every frame is the turntable's, bit for bit.
    bool sawPattern = false;
    for (int i = 0; i < 40 && !sawPattern; ++i) {
        uint8_t* block = nullptr;
        int n = source.readBlock(block, kBlock, 1000);
        ASSERT_GE(n, 0) << source.errorText();
        if (n == 0)
            continue;
        const auto* s = reinterpret_cast<const int16_t*>(block);
        sawPattern = true;
        for (uint32_t f = 0; f < kBlock / 4 && sawPattern; ++f)
            sawPattern = s[2 * f] == kLeft && s[2 * f + 1] == kRight;
    }
    EXPECT_TRUE(sawPattern) << "no whole block of the turntable's sound came through";
    source.close();
}

TEST(SoundServerSources, NoServerMeansNoSourcesAndNoWait) {
    test::TestProgramFolder dir{false};
    test::ScopedEnv serverEnv("PULSE_SERVER", "unix:" + (dir / "nobody-listens").string());
    const auto began = std::chrono::steady_clock::now();
    EXPECT_TRUE(SoundServerSources::List().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(3000));
}

} // namespace
