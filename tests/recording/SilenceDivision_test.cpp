// Whole record sides divided on silence by the real capture thread, level meter and
// controller, the device running faster than real time: every track boundary is found,
// clicks and quiet passages divide nothing, each cut lands on its block, and the files
// joined are the captured stream.
#include "RecordingRig.h"
#include "audio/CRecordWriter.h"
#include "audio/LevelMeter.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <thread>

using namespace vorlane;
using namespace vorlane::test;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kFrames = kBlock / 4; // frames per block
constexpr uint32_t kRate = 44100;
constexpr int kSides = 20;
constexpr int kMuteSeconds = 1;
// Stream time runs about 30 times faster than real time: 1/8 s of sound every 4 ms.
constexpr auto kPace = 4ms;
// Less than the look-behind less the lead, so a cut 0.5 s back is still held.
constexpr uint32_t kAhead = 6;

struct Gap {
    uint64_t start = 0; // first frame of the gap
    uint64_t end = 0;   // first frame of the next track's sound
};

// Sides of 6-8 noise-modulated tones, gaps of 1.5-4 s of hiss near -60 dBFS with 0-5 clicks
// of 1-5 ms up to full scale, and two quiet passages of 2.5 s at -45 dBFS inside tracks.
struct Sides {
    std::vector<int16_t> samples; // interleaved stereo
    std::vector<Gap> gaps;        // between tracks, the side's end included
    uint64_t frames() const { return samples.size() / 2; }

    explicit Sides(uint32_t seed) {
        std::mt19937 rng(seed);
        auto uni = [&](double a, double b) { return std::uniform_real_distribution<>(a, b)(rng); };
        auto put = [&](double l, double r) {
            samples.push_back(static_cast<int16_t>(std::clamp(l, -32768.0, 32767.0)));
            samples.push_back(static_cast<int16_t>(std::clamp(r, -32768.0, 32767.0)));
        };
        const double hiss = 32767 * std::pow(10.0, -60 / 20.0);
        const double quiet = 32767 * std::pow(10.0, -45 / 20.0);
        for (int side = 0; side < kSides; ++side) {
            const int tracks = 6 + static_cast<int>(rng() % 3);
            std::vector<int> quietTracks{static_cast<int>(rng() % tracks)};
            quietTracks.push_back((quietTracks[0] + 1 + rng() % (tracks - 1)) % tracks);
            for (int t = 0; t < tracks; ++t) {
                const uint64_t length = static_cast<uint64_t>(uni(4.5, 6.0) * kRate);
                const double freq = uni(110.0, 1800.0), amp = uni(3000.0, 12000.0);
                const bool hasQuiet =
                    std::find(quietTracks.begin(), quietTracks.end(), t) != quietTracks.end();
                const uint64_t quietFrom = static_cast<uint64_t>(uni(1.0, 1.5) * kRate);
                const uint64_t quietTo = quietFrom + static_cast<uint64_t>(2.5 * kRate);
                double mod = 1.0;
                for (uint64_t i = 0; i < length; ++i) {
                    mod += (uni(0.4, 1.6) - mod) * 0.001; // slow random swell
                    const double ramp = std::min(1.0, static_cast<double>(i) / (0.005 * kRate));
                    double a = amp * mod * ramp;
                    if (hasQuiet && i >= quietFrom && i < quietTo)
                        a = quiet;
                    const double s = std::sin(2 * M_PI * freq * static_cast<double>(i) / kRate);
                    put(a * s + uni(-0.05, 0.05) * a, a * s * 0.8 + uni(-0.05, 0.05) * a);
                }
                Gap gap;
                gap.start = frames();
                const uint64_t gapLength = static_cast<uint64_t>(uni(1.5, 4.0) * kRate);
                std::vector<uint64_t> clicks;
                const int clickCount = static_cast<int>(rng() % 6);
                for (int c = 0; c < clickCount; ++c)
                    clicks.push_back(static_cast<uint64_t>(static_cast<double>(c + uni(0.1, 0.9)) *
                                                           gapLength / clickCount));
                for (uint64_t i = 0; i < gapLength; ++i)
                    put(uni(-hiss, hiss), uni(-hiss, hiss));
                for (uint64_t at : clicks) {
                    const uint64_t len = static_cast<uint64_t>(uni(0.001, 0.005) * kRate);
                    const double peak = uni(2000.0, 32767.0);
                    for (uint64_t i = 0; i < len && at + i < gapLength; ++i) {
                        const double v = peak * (i % 2 ? -1 : 1) * (1.0 - double(i) / len);
                        samples[2 * (gap.start + at + i)] = static_cast<int16_t>(v);
                        samples[2 * (gap.start + at + i) + 1] = static_cast<int16_t>(-v);
                    }
                }
                gap.end = frames();
                gaps.push_back(gap);
            }
        }
        // The device goes on with hiss once the last side has played.
        while (frames() % kFrames)
            put(0, 0);
    }
};

// Every output's file name, in the order they were opened.
class NamedOutput : public RecordOutput {
public:
    NamedOutput(std::unique_ptr<RecordOutput> inner, std::vector<std::string>& names)
        : inner_(std::move(inner)), names_(names) {}
    bool open(const std::string& name, const WaveFormat& f) override {
        names_.push_back(name);
        inner_->setExternalSync(externalSync_);
        return inner_->open(name, f);
    }
    bool writeBlock(const uint8_t* d, uint32_t b) override { return inner_->writeBlock(d, b); }
    bool close() override { return inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    int error() const override { return inner_->error(); }
    std::string errorText() const override { return inner_->errorText(); }
    int syncFd() const override { return inner_->syncFd(); }

private:
    std::unique_ptr<RecordOutput> inner_;
    std::vector<std::string>& names_;
};

const Sides& sides() {
    static const Sides s(20261209);
    return s;
}

struct Cuts {
    std::vector<uint64_t> frames; // stream frame at which each later file starts
};

class SilenceDivision : public RecordingRig {
protected:
    void SetUp() override {
        RecordingRig::SetUp();
        services.writerPoll = nullptr;
        services.writerWaitLimitMs = 15000;
        ctl = std::make_unique<RecordingController>(panel, config, *capture, services);
        const Sides& s = sides();
        const uint64_t blocks = s.frames() / kFrames;
        // The device keeps at most kAhead blocks ahead of the panel: stream time stands still
        // while the panel's thread opens a file or writes the catalogue, which takes a moment
        // at this speed but nothing beside 1/8 s of real time.
        source->sample = [this, &s, blocks](uint32_t block, uint32_t index) -> int16_t {
            if (index == 0)
                while (block > allowed.load())
                    std::this_thread::sleep_for(100us);
            if (block >= blocks)
                return 0;
            return s.samples[static_cast<size_t>(block) * (kBlock / 2) + index];
        };
        source->pace = kPace; // paced by the reader: nothing is lost to a busy machine
        capture->Writer().SetOutputFactory([this](FileType type) -> std::unique_ptr<RecordOutput> {
            return std::make_unique<NamedOutput>(CRecordWriter::DefaultOutput(type), names);
        });
        config.RecordDiviType = 2;
        config.RecordMuteSecond = kMuteSeconds;
        config.SilenceLevel = 0;
    }

    // Plays every side through a recording, the panel's thread waiting up to `lagBlocks`
    // blocks of stream time before each of its updates; returns where the files begin.
    Cuts record(bool cutBefore, int lagBlocks) {
        config.CutBeforeNextTrack = cutBefore ? 1 : 0;
        ctl->OnDivisionTypeChanged();
        source->starve = true;
        if (!threadStarted) {
            capture->StartCaptureThread(0);
            ctl->OnDeviceReady(0xD201);
            threadStarted = true;
        }
        std::this_thread::sleep_for(20ms);
        source->delivered = 0; // the sides play from their start again
        names.clear();
        meter = LevelMeter();
        const uint64_t base = capture->NextBlockNumber();
        allowed = kAhead;
        ctl->OnRecStart();
        source->starve = false; // the first block delivered is the side's first
        const MeterSettings settings{config.SilenceLevel, config.RecordMuteSecond,
                                     config.RecordDiviType, cutBefore};
        const uint64_t blocks = sides().frames() / kFrames;
        std::mt19937 rng(7);
        while (capture->NextBlockNumber() < base + blocks + 8) {
            if (lagBlocks)
                std::this_thread::sleep_for(kPace * static_cast<int>(rng() % (lagBlocks + 1)));
            else
                std::this_thread::sleep_for(1ms);
            const uint64_t captured = capture->NextBlockNumber();
            while (meter.OnQueuedBlocks(capture->Channels(), settings)) {
                const MeterUpdate& u = meter.Last();
                if (u.requestSplit)
                    ctl->OnSilenceSplitRequested(u.splitBlock, u.silenceBlock);
                serve();
            }
            ctl->TagFinishedFiles();
            allowed = static_cast<uint32_t>(captured - base) + kAhead;
        }
        allowed = UINT32_MAX;
        ctl->OnRecStop();
        EXPECT_TRUE(panel.errors.empty()) << panel.errors.front();
        EXPECT_EQ(source->overrunCount.load(), 0u);
        EXPECT_EQ(capture->RecordingDropouts(), 0u);

        // The files joined are the stream from its first block on.
        const Sides& s = sides();
        Cuts cuts;
        uint64_t at = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string f = readBytes(names[i]);
            EXPECT_GE(f.size(), 46u) << names[i];
            const size_t n = (f.size() - 46) / 2;
            const size_t have = std::min(n, s.samples.size() - std::min(s.samples.size(), 2 * at));
            EXPECT_EQ(std::memcmp(f.data() + 46, s.samples.data() + 2 * at, have * 2), 0)
                << names[i];
            if (i)
                cuts.frames.push_back(at);
            at += n / 2;
        }
        EXPECT_GE(at, s.frames());
        return cuts;
    }

    // The block a cut belongs on: after RecordMuteSecond of whole quiet blocks, or with
    // cutBefore, LevelMeter::kLeadBlocks before the block in which the next sound begins.
    static uint64_t target(const Gap& g, bool cutBefore) {
        const uint64_t firstQuiet = (g.start + kFrames - 1) / kFrames;
        if (!cutBefore)
            return (firstQuiet + 8 * kMuteSeconds) * kFrames;
        const uint64_t sound = g.end / kFrames;
        return std::max(firstQuiet, sound - LevelMeter::kLeadBlocks) * kFrames;
    }

    void expectTrustworthy(const Cuts& cuts, bool cutBefore) {
        const auto& gaps = sides().gaps;
        size_t found = 0, falseCuts = 0;
        int64_t worst = 0;
        std::vector<bool> used(gaps.size(), false);
        for (uint64_t c : cuts.frames) {
            bool matched = false;
            for (size_t g = 0; g < gaps.size(); ++g) {
                const int64_t off =
                    static_cast<int64_t>(c) - static_cast<int64_t>(target(gaps[g], cutBefore));
                if (!used[g] && std::llabs(off) <= 3 * kFrames) {
                    used[g] = matched = true;
                    ++found;
                    worst = std::max<int64_t>(worst, std::llabs(off));
                    break;
                }
            }
            falseCuts += matched ? 0 : 1;
        }
        // The last gap ends the last side: the recording stops in it, no track follows.
        const size_t boundaries = gaps.size() - (cutBefore ? 1 : 0);
        std::printf("silence division (cut before the next track %s): found %zu of %zu, "
                    "false %zu, worst offset %.3f s\n",
                    cutBefore ? "on" : "off", found, boundaries, falseCuts,
                    static_cast<double>(worst) / kRate);
        EXPECT_GE(found * 100, boundaries * 98);
        EXPECT_LE(falseCuts, 1u);
        EXPECT_LE(worst, static_cast<int64_t>(kFrames));
    }

    LevelMeter meter;
    bool threadStarted = false;
    std::atomic<uint32_t> allowed{UINT32_MAX}; // the last block the device may deliver
    std::vector<std::string> names;
};

} // namespace

TEST_F(SilenceDivision, CutsLandWhereTheSilenceWasFound) {
    expectTrustworthy(record(false, 0), false);
}

TEST_F(SilenceDivision, CutsLandHalfASecondBeforeTheNextTrack) {
    expectTrustworthy(record(true, 0), true);
}

// Up to 0.5 s of stream time late before every update, the panel still cuts the same.
TEST_F(SilenceDivision, ALatePanelCutsTheSameToTheSample) {
    const Cuts prompt = record(true, 0);
    const Cuts late = record(true, 4);
    EXPECT_EQ(late.frames, prompt.frames);
    expectTrustworthy(late, true);
}
