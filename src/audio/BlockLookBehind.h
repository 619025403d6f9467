#pragma once

#include <cstdint>
#include <memory>

namespace vorlane {

// The newest captured blocks that are not yet written to the record files, so that a
// division found late (by the level meter on another thread) can still start the next
// file at the block where it belongs. Room for kCapacity blocks is taken once; pushing and
// popping copy into it and never allocate.
//
// Thread contract: one thread (the capture thread, which owns the record outputs).
class BlockLookBehind {
public:
    static constexpr uint32_t kCapacity = 12; // 1.5 s of blocks of 1/8 s
    static constexpr uint32_t kMaxBytes = 22048;

    struct Block {
        uint64_t number = 0;
        uint32_t bytes = 0;
        uint8_t* data = nullptr;
    };

    BlockLookBehind();

    bool Empty() const { return size_ == 0; }
    bool Full() const { return size_ == kCapacity; }
    uint32_t Size() const { return size_; }
    // Copies a block of at most kMaxBytes in as the newest; only when not Full().
    void Push(uint64_t number, const uint8_t* data, uint32_t bytes);
    // Only when not Empty().
    const Block& Oldest() const { return blocks_[head_]; }
    void PopOldest();
    void Clear();

private:
    std::unique_ptr<uint8_t[]> storage_;
    Block blocks_[kCapacity];
    uint32_t head_ = 0;
    uint32_t size_ = 0;
};

} // namespace vorlane
