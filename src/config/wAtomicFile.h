#pragma once

#include <string>
#include <string_view>

namespace vorlane {

// Replaces a whole file so that a crash or a full disk at any moment leaves either the old
// or the new content, never a mixture: the bytes go to a temporary file in the same folder,
// are flushed to disk, and the temporary file is renamed over the original.
class wAtomicFile {
public:
    // Writes `bytes` as the new content of `path` (a symbolic link is followed, so the
    // file it points to is replaced). The original's permission bits are kept (and its
    // owner, when running as root). Fails, leaving everything as it was, when the file is
    // read-only (see IsReadOnly), not a regular file, or anything on the way fails.
    static bool Replace(const std::string& path, std::string_view bytes);

    // True when the file exists and its permission bits give nobody the right to write,
    // or the calling user may not write it. Such a file is never replaced, even by root:
    // like the read-only attribute on Windows, it pins the settings in it.
    static bool IsReadOnly(const std::string& path);

    // Test hook, called with the temporary file's path after it has been written and
    // flushed and just before the rename. Lets a test end the process at that point to
    // show that an interrupted write leaves the original whole. Null to remove.
    using BeforeRenameHook = void (*)(const std::string& tempPath);
    static void SetBeforeRenameHook(BeforeRenameHook hook);
};

} // namespace vorlane
