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

    enum class OpenResult {
        Created,    // made by this call; its bytes are zero
        Opened,     // made earlier, by this user, private to the user
        Foreign,    // another user's block, or one that others may write: not used
        Incomplete, // its maker never gave it its size
        Failed,
    };
    // Creates or opens the block "name" (starting with '/') of at least size bytes. An
    // existing block is used only when it belongs to this user with mode 0600, since
    // anyone may create a name in /dev/shm first.
    OpenResult Open(const std::string& name, size_t size);
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
