#pragma once

#include "TestProgramFolder.h"

#include <filesystem>

namespace vorlane::test {

// Adds what the build generates into the program folder (the skin bitmaps and icons) to
// a test's program folder, leaving out any catalogue of the build's own runs.
inline void copyGeneratedResources(const TestProgramFolder& folder) {
    namespace fs = std::filesystem;
    const fs::path from = fs::path(VORLANE_PROGRAM_DIR) / "Resource";
    for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path rel = fs::relative(it->path(), from);
        if (rel.string().rfind("NewData.mdb", 0) == 0)
            continue;
        const fs::path to = folder.path() / "Resource" / rel;
        if (it->is_directory())
            fs::create_directories(to);
        else if (!fs::exists(to)) {
            fs::create_directories(to.parent_path());
            fs::copy_file(it->path(), to);
        }
    }
}

} // namespace vorlane::test
