#pragma once

#include <string>
#include <string_view>

namespace vorlane {

// Whether recordings can go into a folder that the user typed or chose: a full path that
// the settings file can hold, naming a folder that exists or can be created, and that
// takes a new file. Checked before the folder is stored, so that a bad folder is refused
// at once rather than failing at the next recording.
//
// Thread contract: any thread; touches only the file system.
class RecordFolderCheck {
public:
    enum class Problem {
        None,
        Empty,
        NotAbsolute,  // would depend on the program's current directory
        NotStorable,  // line breaks or other control characters
        NotAFolder,   // a file of that name is in the way
        CannotCreate, // the folder or one of its parents cannot be made
        NotWritable,  // the folder exists but takes no new file
    };

    struct Result {
        Problem problem = Problem::None;
        std::string detail; // the system's reason, when there is one
        bool ok() const { return problem == Problem::None; }
    };

    // Checks the folder, creating it (and its parents) when it is missing, and writes and
    // removes one empty file in it.
    static Result Check(std::string_view folder);

    // The problem in a few English words, for the line under the localised message.
    static std::string Describe(const Result& result);
};

} // namespace vorlane
