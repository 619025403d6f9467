#pragma once

#include "audio/WaveFormat.h"

#include <cstdint>
#include <string>

namespace vorlane {

// One file that a recording writes: WAV here; encoders add their own.
//
// Thread contract: open runs on the controlling thread before the recording is published
// to the capture thread; writeBlock and close run on the capture thread (or on the
// controlling thread once no capture thread exists). No two calls overlap.
class RecordOutput {
public:
    // A writer forces its file to disk after this much sound, so a crash loses little.
    static constexpr uint32_t kSyncSeconds = 10;

    virtual ~RecordOutput() = default;

    // Creates the file, replacing any file of that name. Does nothing and returns true
    // when this output is open already.
    virtual bool open(const std::string& fileName, const WaveFormat& format) = 0;
    // Appends one block. False when it could not be stored whole: the recording must end,
    // and close() still completes what was stored.
    virtual bool writeBlock(const uint8_t* data, uint32_t bytes) = 0;
    // Completes and closes the file; false when it could not be completed.
    virtual bool close() = 0;
    virtual bool isOpen() const = 0;
    // Once closed after a failure: the seconds of sound the file keeps (0 when it holds
    // none). -1 when the output cannot tell.
    virtual double keptSeconds() const { return -1; }

    // The first failure since open: a negative errno (0 when none) and a text for the user
    // that names the file.
    virtual int error() const { return error_; }
    virtual std::string errorText() const { return errorText_; }

    // The descriptor that holds the file's data while it is open, for a worker that forces
    // it to disk (-1: none). Stays valid until close().
    virtual int syncFd() const { return -1; }
    // Set before open: writeBlock leaves forcing the file to disk to such a worker, so that
    // the thread that writes the blocks never waits for the disk.
    void setExternalSync(bool external) { externalSync_ = external; }

protected:
    // Starts on a new file: the last one's failure is forgotten.
    void begin(const std::string& fileName);
    // Keeps the first failure as "<file>: <what>: <reason>" and returns false. A code that
    // is not negative counts as an I/O error.
    bool fail(int err, const std::string& what);
    // The reason for a failure code in the text.
    virtual std::string describe(int err) const;
    // Creates the file for reading and writing, replacing any file of that name: the
    // descriptor, or -1 with the failure kept.
    int replaceFile();
    // Counts `bytes` of sound taken; true when kSyncSeconds of it have come since the last
    // time and the writer forces its file to disk itself (no external sync).
    bool syncDue(uint32_t bytes, uint32_t bytesPerSecond);
    void resetSyncCount() { unsyncedBytes_ = 0; }

    bool externalSync_ = false;
    std::string fileName_;

private:
    uint64_t unsyncedBytes_ = 0; // sound taken since the last sync
    int error_ = 0;
    std::string errorText_;
};

} // namespace vorlane
