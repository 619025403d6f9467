#pragma once

#include <cstddef>
#include <string>

namespace vorlane {

// A named block of POSIX shared memory, mapped read/write. The process that creates the
// block learns so and initialises it; the others wait until it says it is ready.
//
// Thread contract: open and close on one thread; the mapped bytes are guarded by the
// caller.
class wMapFile {
public:
    wMapFile() = default;
    ~wMapFile();
    wMapFile(const wMapFile&) = delete;
    wMapFile& operator=(const wMapFile&) = delete;

    // Creates or opens the block "name" (starting with '/') of at least size bytes.
    // created tells whether this call made it (its bytes are then zero).
    bool Open(const std::string& name, size_t size, bool& created);
    // A block private to this process (zero bytes), for when no shared one can be had.
    bool OpenPrivate(size_t size);
    void Close();
    // Removes the name; mappings that exist stay valid.
    static bool Unlink(const std::string& name);

    void* data() const { return data_; }
    size_t size() const { return size_; }
    bool isOpen() const { return data_ != nullptr; }

private:
    void* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace vorlane
