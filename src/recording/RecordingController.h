#pragma once

#include "audio/TagValues.h"
#include "platform/MessageWindow.h"
#include "recording/RecordingJournal.h"
#include "recording/RecordingPanel.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorlane {

class ADOConnection;
class ConfigManger;
class CSoundCapture;

// What the controller uses besides the panel, the settings and the capture engine.
struct RecordingServices {
    ADOConnection* catalogue = nullptr; // the catalogue connection (may be closed)
    // CMainDlg's device target window; 1078 goes there when it is non-zero.
    std::atomic<WindowHandle>* deviceTargetWindow = nullptr;
    // Tags a finished file from the settings record; false when it could not.
    std::function<bool(const std::string& path)> tagFile;
    // Sets the device's input volume from "Record Volume" (device arrival).
    std::function<void()> setInputVolume;
    // The task's end action after a scheduled recording.
    std::function<void()> runEndAction;
    // A recording began (true) or ended (false), whoever started it: the machine is kept
    // awake in between.
    std::function<void(bool recording)> recordingChanged;
    // One step of waiting for the writer to close a file. Unset: sleep pollMs. Tests that
    // drive the capture engine without its thread run a capture step here instead.
    std::function<void(int pollMs)> writerPoll;
    // The longest wait for the writer; the controller then goes on and tags the file later.
    int writerWaitLimitMs = 5000;
    // The size at which a file is divided.
    uint64_t sizeLimit = 0x70000000;
    // The journal of open files, for finishing them after a crash; empty: none is kept.
    std::string journalPath;
    // Tags a file with given values (a file finished after a crash).
    std::function<bool(const std::string& path, const TagValues& tags)> tagFileWith;
};

// The recording controller: turns the record commands, the recording clock, device arrival
// and removal and the scheduled start and stop into named, divided, tagged and catalogued
// files, and keeps the record and track counters.
//
// Thread contract: main thread only (the panel's). The capture engine writes the blocks
// on its own thread; the controller only starts, pauses and stops its recordings.
class RecordingController {
public:
    // The size at which a file is divided (checked every kSizeCheckSeconds).
    static constexpr uint64_t kSizeLimit = 0x70000000;
    static constexpr int kSizeCheckSeconds = 10;
    // How often the writer is polled after a stop and after a division.
    static constexpr int kStopPollMs = 100;
    static constexpr int kDividePollMs = 10;
    static constexpr int kSilentMonitor = -10000;
    // Below the documents folder, when the chosen folder cannot be made.
    static constexpr const char* kDefaultFolderName = "VorlaneLP Record Files";

    RecordingController(RecordingPanel& panel, ConfigManger& config, CSoundCapture& capture,
                        RecordingServices services);
    RecordingController(const RecordingController&) = delete;
    RecordingController& operator=(const RecordingController&) = delete;

    // Commands 1016 to 1019.
    void OnRecStart();
    void OnRecStop();
    void OnRecDivi();
    void OnRecPause();
    // The recording clock, timer 0x10003.
    void OnClockTick();
    // Messages 1041 and 1042.
    void OnDeviceReady(int typeCode);
    void OnDeviceGone();
    // Message 1056: wParam 0 starts a scheduled recording with the task's file suffix,
    // wParam 1 stops it.
    void OnScheduledStart(const std::string& suffix);
    void OnScheduledStop();
    // The level meter found the input silent: divide, when dividing on silence, with the
    // next file starting at block `startBlock`. A silence that began (`silenceBlock`)
    // before the current file started is not this file's.
    void OnSilenceSplitRequested(uint64_t startBlock = UINT64_MAX,
                                 uint64_t silenceBlock = UINT64_MAX);
    // Tags the files that divisions left behind once the writer has closed them; cheap
    // when there are none (called for every captured block).
    void TagFinishedFiles() { TagPending(); }
    // The division type changed on the panel: "Rec Divi" follows it while recording.
    void OnDivisionTypeChanged();
    // At exit: a recording in progress is stopped, tagged, catalogued and counted.
    void FinishAtExit();
    // At start-up, once the catalogue is open: files that a crash or a power cut left open
    // are repaired, tagged and catalogued with their real length, the counters advance as
    // a stop would advance them, and the user is told once which files were recovered.
    // Returns their names.
    std::vector<std::string> RecoverUnfinished();

    // What a status query reports: the state, the file being recorded, its length so far as
    // the time label counts it (pauses left out), and the dropouts of this recording.
    struct Status {
        enum class State { Idle, Recording, Paused };
        State state = State::Idle;
        std::string file; // full path; empty when idle
        int elapsedSeconds = 0;
        uint32_t dropouts = 0;
    };
    Status CurrentStatus() const;

    bool DevicePresent() const { return devicePresent_; }
    bool Recording() const { return recording_; }
    bool ScheduledRecording() const { return scheduled_; }
    bool Paused() const { return paused_; }
    const std::string& CurrentFileName() const { return currentFileName_; }
    const std::string& CurrentFilePath() const { return currentFilePath_; }
    const std::string& StartTimeText() const { return startTimeText_; }
    int ElapsedSeconds() const { return elapsedSeconds_; }

    // Documents folder + "/VorlaneLP Record Files".
    static std::string DefaultRecordFolder();

private:
    // A finished file that still needs its tags.
    struct PendingTag {
        std::string path;
        int track = 0;       // the file's own track number
        uint64_t serial = 0; // the writer's number of the file
    };

    void BeginRecording(bool scheduled, const std::string& suffix);
    bool OpenNewFile(bool divide, uint64_t startBlock = UINT64_MAX);
    void ApplyLookBehind();
    bool WaitForSwitch();
    void ReportCloseFailures();
    void ReportCloseFailure(const std::string& text);
    void ShowElapsed();
    std::string PrepareRecordFolder();
    bool CloseCurrentFile(int pollMs, double keptSeconds = -1);
    void FinishRecording(double keptSeconds = -1);
    void DiscardCurrentFile();
    void EndWhenWriterStopped();
    void Settle();
    bool SettleWithFileOpen();
    bool WaitForWriter(int pollMs);
    void AddCatalogueRecord(uint32_t elapsedMs);
    bool AddRow(const JournalEntry& file, int seconds, std::string& error);
    JournalEntry JournalFor(const std::string& path, const std::string& fileName) const;
    void Tag(const std::string& path, int track);
    void TagPending();
    void AdvanceRecordNo();
    void RunEndAction();
    void PostRecordingState(uintptr_t started);
    void ShowRecordingButtons();
    void ShowStopped();
    uint32_t ElapsedMs() const;

    RecordingPanel& panel_;
    ConfigManger& config_;
    CSoundCapture& capture_;
    RecordingServices services_;

    bool devicePresent_ = false;
    bool recording_ = false;
    bool scheduled_ = false;
    bool fileOpen_ = false; // the writer records into the current file for us
    bool paused_ = false;
    // A scheduled recording ended early (device gone, writer failed): the scheduled stop
    // still runs the task's end action.
    bool scheduledEndOwed_ = false;
    std::string currentFilePath_;
    std::string currentFileName_;
    std::string startTimeText_;
    std::string taskSuffix_;
    uint32_t startTick_ = 0;
    uint32_t pausedElapsedMs_ = 0; // length of the file when it was paused
    int elapsedSeconds_ = 0;
    int sizeCheckedSeconds_ = 0;
    int filesDone_ = 0;                // files of this recording finished by a division
    uint64_t fileStartBlock_ = 0;      // the capture block the current file starts with
    uint64_t splitBlock_ = UINT64_MAX; // a silence division's first block, until made
    std::deque<PendingTag> pendingTags_;
    std::optional<RecordingJournal> journal_;
};

} // namespace vorlane
