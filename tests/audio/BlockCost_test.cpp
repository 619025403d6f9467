// The capture thread's work per block allocates nothing: this binary counts the heap
// allocations that the capture thread makes while it records.
#include "AudioTestSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "audio/CSoundCapture.h"
#include "audio/NullMonitorSink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {
std::atomic<std::thread::id> g_watched{};
std::atomic<int> g_allocations{0};
} // namespace

// C libraries (libFLAC, LAME) allocate with malloc: counted too, through glibc's own entry
// points. A sanitizer build brings its own allocator and counts only operator new.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t n) {
    if (g_watched.load(std::memory_order_relaxed) == std::this_thread::get_id())
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
    if (g_watched.load(std::memory_order_relaxed) == std::this_thread::get_id())
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
    if (g_watched.load(std::memory_order_relaxed) == std::this_thread::get_id())
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}
}
#endif

void* operator new(std::size_t n) {
    if (g_watched.load(std::memory_order_relaxed) == std::this_thread::get_id())
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace vorlane;
using namespace vorlane::test;

class BlockCost : public ::testing::TestWithParam<FileType> {};

TEST_P(BlockCost, RecordingBlocksOnTheCaptureThreadAllocateNothing) {
    TestProgramFolder dir(false);
    auto s = std::make_unique<FakeCaptureSource>();
    FakeCaptureSource* source = s.get();
    source->pace = std::chrono::milliseconds(5);
    std::atomic<std::thread::id> captureThread{};
    source->sample = [&](uint32_t block, uint32_t index) {
        captureThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
        return PatternSample(block, index);
    };
    CSoundCapture capture(std::move(s), std::make_unique<NullMonitorSink>());
    LogWindow owner;
    ASSERT_TRUE(owner.create());
    capture.StartCaptureThread(owner.handle());
    ASSERT_EQ(capture.Init(), 0);
    ASSERT_EQ(capture.Start(), 0);
    // Blocks pass through the look-behind, as when dividing on silence.
    capture.SetLookBehind(BlockLookBehind::kCapacity);
    ASSERT_TRUE(capture.StartRecording((dir / "out").string(), GetParam()));
    // The first blocks may fill what the encoder sets up once; held blocks reach it later.
    ASSERT_TRUE(
        pumpUntil([&] { return source->delivered >= 10 + BlockLookBehind::kCapacity; }, 5000));
    g_watched.store(captureThread.load());
    const uint32_t from = source->delivered;
    ASSERT_TRUE(pumpUntil([&] { return source->delivered >= from + 100; }, 10000));
    g_watched.store(std::thread::id{});
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_GE(owner.count(msg::BlockCaptured), 100u); // the level messages still arrive
    capture.RequestStop();
    ASSERT_TRUE(pumpUntil([&] { return !capture.IsRecording(); }, 5000));
    capture.ShutdownCapture();
}

INSTANTIATE_TEST_SUITE_P(WavMp3AndFlac, BlockCost,
                         ::testing::Values(FileType::Wav, FileType::Mp3, FileType::Flac));
