// Main thread only. Waits for the capture thread's writer by polling, always bounded.
#include "recording/RecordingController.h"

#include "audio/BlockLookBehind.h"
#include "audio/CSoundCapture.h"
#include "audio/RecordFileRepair.h"
#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueStatements.h"
#include "config/ConfigManger.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/ProgramFolder.h"
#include "recording/RecordingTexts.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace vorlane {

namespace {
uint32_t nowTick() {
    return Clock::current().tickCount();
}
// The capture block: 5,512 frames at 44,100 Hz.
constexpr uint64_t kBlockFrames = 5512;
constexpr uint64_t kRate = 44100;
} // namespace

RecordingController::RecordingController(RecordingPanel& panel, ConfigManger& config,
                                         CSoundCapture& capture, RecordingServices services)
    : panel_(panel), config_(config), capture_(capture), services_(std::move(services)) {
    if (!services_.journalPath.empty())
        journal_.emplace(services_.journalPath);
}

std::string RecordingController::DefaultRecordFolder() {
    return ProgramFolder::documentsFolder() + "/" + kDefaultFolderName;
}

// ---- commands ----

void RecordingController::OnRecStart() {
    if (!devicePresent_)
        return;
    Settle();
    if (fileOpen_) {
        ShowRecordingButtons();
        return;
    }
    BeginRecording(false, std::string());
}

void RecordingController::OnRecStop() {
    if (!devicePresent_)
        return;
    Settle();
    ShowStopped();
    if (!fileOpen_)
        return;
    FinishRecording();
}

void RecordingController::OnRecDivi() {
    if (!SettleWithFileOpen())
        return;
    // A division right after another waits until the capture side has made that one; it
    // must not end the recording.
    if (!WaitForSwitch()) {
        splitBlock_ = CRecordWriter::kDivideNow;
        panel_.reportError("The previous division is still being made; \"" + currentFileName_ +
                           "\" goes on recording.");
        return;
    }
    const uint64_t startBlock = splitBlock_;
    splitBlock_ = CRecordWriter::kDivideNow;
    // A silence division lands on an earlier block: the file ends that much sooner.
    uint32_t earlierMs = 0;
    if (startBlock != CRecordWriter::kDivideNow) {
        const uint64_t next = capture_.NextBlockNumber();
        if (next > startBlock)
            earlierMs = static_cast<uint32_t>((next - startBlock) * kBlockFrames * 1000 / kRate);
    }
    // The finished file's row and the counters come first, as with a stop; the next file
    // opens while the capture engine still writes into the old one, and takes over at a
    // block boundary, so the division loses nothing.
    uint32_t elapsedMs = ElapsedMs();
    earlierMs = earlierMs < elapsedMs ? earlierMs : elapsedMs;
    elapsedMs -= earlierMs;
    elapsedSeconds_ = RecordingTexts::RoundedSeconds(elapsedMs);
    capture_.ClearPause();
    paused_ = false;
    AddCatalogueRecord(elapsedMs);
    pendingTags_.push_back(
        PendingTag{currentFilePath_, config_.RecordTrack, capture_.Writer().CurrentFile()});
    ++filesDone_;
    config_.RecordTrack.fetch_add(1);
    config_.SaveCounters();
    panel_.setCounterSpinners(config_.RecordNo, config_.RecordTrack);
    if (OpenNewFile(true, startBlock)) {
        startTick_ -= earlierMs;
        return;
    }
    // No next file: the recording ends here, as a stop would end it.
    fileOpen_ = false;
    capture_.RequestStop();
    if (!WaitForWriter(kDividePollMs))
        panel_.reportError("\"" + currentFileName_ +
                           "\" is still being written; its tags will be added when it is done.");
    TagPending();
    ShowStopped();
    if (scheduled_)
        scheduledEndOwed_ = true;
    recording_ = false;
    scheduled_ = false;
    panel_.refreshTray();
    AdvanceRecordNo();
    PostRecordingState(0);
}

void RecordingController::OnRecPause() {
    if (!SettleWithFileOpen())
        return;
    capture_.TogglePause();
    const bool nowPaused = capture_.IsPaused();
    const uint32_t now = nowTick();
    if (nowPaused && !paused_) {
        // The exact length so far: a stop while paused must not count the pause.
        pausedElapsedMs_ = now - startTick_;
        paused_ = true;
        panel_.setRecordingClock(false);
    } else if (!nowPaused && paused_) {
        startTick_ = now - pausedElapsedMs_;
        paused_ = false;
        panel_.setRecordingClock(true);
    }
}

void RecordingController::OnClockTick() {
    if (!capture_.IsRecording()) {
        if (fileOpen_) {
            EndWhenWriterStopped();
            return;
        }
        panel_.setRecordingClock(false);
        panel_.hideRecordingLabels();
        TagPending();
        return;
    }
    TagPending();
    if (!fileOpen_ || paused_)
        return;
    elapsedSeconds_ = static_cast<int>((nowTick() - startTick_) / 1000);
    ShowElapsed();

    // ">=" rather than "==": a tick that comes late must not skip the division.
    const int divideAfter = config_.RecordDiviSecondTime;
    if (config_.RecordDiviType == 1 && divideAfter > 0 && elapsedSeconds_ >= divideAfter) {
        panel_.setRecordingClock(false);
        panel_.postCommand(cmd::RecordDivide);
        return;
    }
    // Every time the length passes a multiple of 10 s, even when ticks were late.
    const int checkAt = elapsedSeconds_ / kSizeCheckSeconds * kSizeCheckSeconds;
    if (checkAt > sizeCheckedSeconds_) {
        sizeCheckedSeconds_ = checkAt;
        std::error_code ec;
        const uintmax_t size = fs::file_size(currentFilePath_, ec);
        if (!ec && size >= services_.sizeLimit) {
            panel_.setRecordingClock(false);
            panel_.postCommand(cmd::RecordDivide);
        }
    }
}

// The capture engine reads the type code from the shared field that CMainDlg keeps.
void RecordingController::OnDeviceReady(int /*typeCode*/) {
    if (devicePresent_)
        return;
    if (services_.setInputVolume)
        services_.setInputVolume();
    int err = capture_.Init();
    if (err == 0)
        err = capture_.Start();
    if (err != 0)
        panel_.reportError(std::string("The device's sound input could not be opened: ") +
                           std::strerror(err < 0 ? -err : err) +
                           ". Recordings will stay silent until it is connected again.");
    if (config_.SilenceRecording != 0)
        capture_.SetMonitorVolume(kSilentMonitor);
    devicePresent_ = true;
    panel_.refreshTray();
}

void RecordingController::OnDeviceGone() {
    devicePresent_ = false;
    // Capture stops first, so the file ends where the device went away; a stopped engine
    // closes the file at once.
    capture_.Stop();
    Settle();
    if (fileOpen_) {
        ShowStopped();
        if (scheduled_)
            scheduledEndOwed_ = true;
        FinishRecording();
        panel_.notifyAway({AwayNotice::Kind::DeviceGone, currentFileName_});
    }
    capture_.Release();
    panel_.refreshTray();
}

void RecordingController::OnScheduledStart(const std::string& suffix) {
    Settle();
    if (fileOpen_)
        return;
    BeginRecording(true, suffix);
}

void RecordingController::OnScheduledStop() {
    Settle();
    if (fileOpen_ && recording_ && scheduled_) {
        ShowStopped();
        // Without a catalogue this is still a whole stop, only without the row.
        FinishRecording();
        panel_.notifyAway({AwayNotice::Kind::TaskEnded, currentFileName_});
        RunEndAction();
    } else if (scheduledEndOwed_ && !recording_) {
        RunEndAction();
    }
}

void RecordingController::OnSilenceSplitRequested(uint64_t startBlock, uint64_t silenceBlock) {
    // While paused the user is between sides or records: silence there is no new track,
    // and dividing would undo the pause.
    if (config_.RecordDiviType != 2 || paused_)
        return;
    if (fileOpen_ && silenceBlock != UINT64_MAX && silenceBlock < fileStartBlock_)
        return;
    splitBlock_ = startBlock;
    panel_.postCommand(cmd::RecordDivide);
}

void RecordingController::OnDivisionTypeChanged() {
    ApplyLookBehind();
    if (recording_)
        panel_.setButtonEnabled(cmd::RecordDivide, config_.RecordDiviType == 0);
}

// Dividing on silence holds the newest blocks back, so that the cut lands where the
// silence was found however late the panel's thread saw it; otherwise blocks go straight
// to the file.
void RecordingController::ApplyLookBehind() {
    capture_.SetLookBehind(config_.RecordDiviType == 2 ? BlockLookBehind::kCapacity : 0);
}

bool RecordingController::WaitForSwitch() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(services_.writerWaitLimitMs);
    while (capture_.Writer().SwitchPending()) {
        if (!capture_.IsRecording())
            return true; // the stop took the pending switch with it
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (services_.writerPoll)
            services_.writerPoll(kDividePollMs);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(kDividePollMs));
    }
    return true;
}

void RecordingController::FinishAtExit() {
    Settle();
    if (fileOpen_) {
        ShowStopped();
        FinishRecording();
    }
    if (!pendingTags_.empty() && WaitForWriter(kStopPollMs)) {
        capture_.Writer().DrainCloser(services_.writerWaitLimitMs);
        TagPending();
    }
}

// ---- starting ----

void RecordingController::BeginRecording(bool scheduled, const std::string& suffix) {
    taskSuffix_ = scheduled ? RecordingTexts::SafeSuffix(suffix) : std::string();
    scheduledEndOwed_ = false;
    filesDone_ = 0;
    if (!OpenNewFile(false)) {
        ShowStopped();
        return;
    }
    PostRecordingState(1);
    recording_ = true;
    scheduled_ = scheduled;
    ShowRecordingButtons();
    panel_.refreshTray();
    if (scheduled)
        panel_.notifyAway({AwayNotice::Kind::TaskStarted, currentFileName_});
}

// Names the next file, opens it and starts its clock. On failure the user is told why and
// nothing is open.
bool RecordingController::OpenNewFile(bool divide, uint64_t startBlock) {
    if (!divide && capture_.IsRecording() && !WaitForWriter(kDividePollMs)) {
        panel_.reportError("The previous recording is still being written; please try again.");
        return false;
    }
    const std::string folder = PrepareRecordFolder();
    const RecordFileName name = RecordingTexts::MakeRecordFileName(
        config_.RecordNo, config_.RecordTrack, Clock::current().localTime(), taskSuffix_,
        config_.RecordFileType);
    const std::string path = folder + name.fileName;
    const uint32_t start = nowTick();
    if (!divide)
        ApplyLookBehind();
    const uint64_t firstBlock = capture_.NextBlockNumber();
    if (!(divide ? capture_.DivideInto(path, name.fileType, startBlock)
                 : capture_.StartRecording(path, name.fileType))) {
        const std::string why = capture_.RecordErrorText(); // names the file
        panel_.reportError(std::string(divide ? "The next file could not be started: "
                                              : "The recording could not be started: ") +
                           (why.empty() ? "\"" + path + "\" could not be created" : why) + ".");
        TagPending();
        return false;
    }
    fileOpen_ = true;
    fileStartBlock_ = startBlock < firstBlock ? startBlock : firstBlock;
    currentFilePath_ = path;
    currentFileName_ = name.fileName;
    startTimeText_ = name.startTimeText;
    if (journal_ && !journal_->Add(JournalFor(path, name.fileName)))
        std::fprintf(stderr, "Vorlane: cannot write the recording journal %s\n",
                     journal_->FilePath().c_str());
    startTick_ = start;
    elapsedSeconds_ = 0;
    sizeCheckedSeconds_ = 0;
    paused_ = false;
    pausedElapsedMs_ = 0;
    panel_.showRecordingLabels(currentFileName_, RecordingTexts::DurationText(0));
    panel_.setRecordingClock(true);
    // The file before is tagged only now, so that a division loses no time to it.
    TagPending();
    return true;
}

// The record folder, ending in '/'. A folder that is missing is made (one level: a missing
// parent is more likely an unplugged disk than something to create); when that fails, or
// the name is taken by a file, the default folder is made and saved as the record folder.
std::string RecordingController::PrepareRecordFolder() {
    std::error_code ec;
    std::string folder = config_.RecordFilePath;
    if (!folder.empty() && !fs::exists(folder, ec))
        fs::create_directory(folder, ec);
    if (folder.empty() || !fs::is_directory(folder, ec)) {
        folder = DefaultRecordFolder();
        // The documents folder itself may be missing on a fresh system.
        fs::create_directories(folder, ec);
        config_.RecordFilePath = folder;
        ConfigManger::WriteSetting("Option", "RecordFilePath", folder);
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

// ---- finishing ----

// Asks the writer to close the current file and enters the file into the catalogue; the
// file is left to TagPending. False when the writer did not finish in time. `keptSeconds`,
// when known, is the length of the sound the file keeps (the writer ended it early).
bool RecordingController::CloseCurrentFile(int pollMs, double keptSeconds) {
    const uint32_t elapsedMs =
        keptSeconds >= 0 ? static_cast<uint32_t>(keptSeconds * 1000 + 0.5) : ElapsedMs();
    elapsedSeconds_ = RecordingTexts::RoundedSeconds(elapsedMs);
    capture_.ClearPause();
    if (capture_.IsRecording())
        capture_.RequestStop();
    paused_ = false;
    fileOpen_ = false;
    AddCatalogueRecord(elapsedMs);
    const bool closed = WaitForWriter(pollMs);
    pendingTags_.push_back(
        PendingTag{currentFilePath_, config_.RecordTrack, capture_.Writer().CurrentFile()});
    if (closed)
        return true;
    panel_.reportError("\"" + currentFileName_ +
                       "\" is still being written; its tags will be added when it is done.");
    return false;
}

// A stop: the file is closed, catalogued and tagged, the record number advances and the
// device hears that recording ended. A file that the writer ended holding no sound at all
// is removed instead; when it was the recording's only file, nothing was recorded and the
// counters stay.
void RecordingController::FinishRecording(double keptSeconds) {
    recording_ = false;
    scheduled_ = false;
    const bool empty = keptSeconds == 0;
    if (empty)
        DiscardCurrentFile();
    else
        CloseCurrentFile(kStopPollMs, keptSeconds);
    TagPending();
    if (const uint32_t lost = capture_.RecordingDropouts()) {
        panel_.reportError(RecordingTexts::DropoutReport(lost));
        panel_.notifyAway({AwayNotice::Kind::Dropouts, "", lost});
    }
    panel_.refreshTray();
    if (!empty || filesDone_ > 0)
        AdvanceRecordNo();
    if (journal_ && !empty)
        journal_->MarkStopped(currentFilePath_);
    PostRecordingState(0);
}

// The writer ended the file by itself (a write failed: disk full, file too large). The
// sound stored so far is kept and finished like a stop, with the length it really has,
// and the user learns why, once.
void RecordingController::EndWhenWriterStopped() {
    const std::string why = capture_.RecordErrorText();
    const int error = capture_.RecordError();
    const std::string what =
        why.empty() ? "\"" + currentFilePath_ + "\" could not be written" : why;
    const uint64_t serial = capture_.Writer().CurrentFile();
    const double kept = capture_.Writer().KeptSeconds(serial);
    // One event, one note: a failed close of this file belongs to it.
    std::string closeFailure;
    for (const auto& f : capture_.Writer().TakeCloseFailures()) {
        if (f.serial == serial)
            closeFailure = f.text;
        else
            ReportCloseFailure(f.text);
    }
    ShowStopped();
    if (scheduled_)
        scheduledEndOwed_ = true;
    const bool nothingRecorded = kept == 0 && filesDone_ == 0;
    FinishRecording(kept);
    if (nothingRecorded)
        panel_.reportError("The recording could not be started: " + what + ".");
    else if (closeFailure.empty())
        panel_.reportError("Recording stopped: " + what +
                           ". The sound recorded until then is kept.");
    else
        panel_.reportError("Recording stopped: " + what +
                           ". The file could not be completed: " + closeFailure + ".");
    const bool diskFull = error == -ENOSPC || error == -EDQUOT;
    panel_.notifyAway({diskFull ? AwayNotice::Kind::DiskFull : AwayNotice::Kind::WriteFailed,
                       kept == 0 ? "" : currentFileName_});
}

// The current file holds no sound: it goes, with its journal entry, and gets no row.
void RecordingController::DiscardCurrentFile() {
    capture_.ClearPause();
    paused_ = false;
    fileOpen_ = false;
    std::error_code ec;
    fs::remove(currentFilePath_, ec);
    if (journal_)
        journal_->Remove(currentFilePath_);
}

// Brings the controller up to date with the writer before a command acts.
void RecordingController::Settle() {
    if (fileOpen_ && !capture_.IsRecording())
        EndWhenWriterStopped();
    else
        TagPending();
}

// For the commands that act on an open file: only with a device, and after settling.
bool RecordingController::SettleWithFileOpen() {
    if (!devicePresent_)
        return false;
    Settle();
    return fileOpen_;
}

bool RecordingController::WaitForWriter(int pollMs) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(services_.writerWaitLimitMs);
    while (capture_.IsRecording()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (services_.writerPoll)
            services_.writerPoll(pollMs);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return true;
}

void RecordingController::AddCatalogueRecord(uint32_t elapsedMs) {
    ADOConnection* db = services_.catalogue;
    if (!db || !db->IsOpen())
        return; // the user was told at start-up that there is no catalogue
    std::string error;
    if (!AddRow(JournalFor(currentFilePath_, currentFileName_),
                RecordingTexts::RoundedSeconds(elapsedMs), error)) {
        panel_.reportError(
            "\"" + currentFileName_ +
            "\" was recorded, but it could not be entered into the catalogue: " + error);
        return;
    }
    if (journal_)
        journal_->MarkCatalogued(currentFilePath_);
}

bool RecordingController::AddRow(const JournalEntry& file, int seconds, std::string& error) {
    ADOConnection* db = services_.catalogue;
    if (!db || !db->IsOpen())
        return false;
    ADORecordset rs;
    bool stored = rs.Open(*db, CatalogueStatements::recordingsForInsert());
    if (stored) {
        rs.AddNew();
        rs.PutText("StartTime", file.startTime);
        rs.PutText("Duration", RecordingTexts::DurationText(seconds));
        rs.PutText("FileFullPathName", file.path);
        rs.PutText("FileName", file.fileName);
        rs.PutText("Title", file.title);
        rs.PutText("Artist", file.artist);
        rs.PutText("Album", file.album);
        rs.PutText("Year", file.year);
        rs.PutText("Comment", file.comment);
        stored = rs.Update();
    }
    if (!stored)
        error = rs.LastError();
    return stored;
}

// The current file as the journal keeps it: what finishing it needs.
JournalEntry RecordingController::JournalFor(const std::string& path,
                                             const std::string& fileName) const {
    JournalEntry e;
    e.path = path;
    e.fileName = fileName;
    e.startTime = startTimeText_;
    e.title = config_.MP3Title;
    e.artist = config_.MP3Artist;
    e.album = config_.MP3Album;
    e.year = config_.MP3Year;
    e.comment = config_.MP3Comment;
    e.genre = config_.MP3Genre;
    e.genreName = ConfigManger::GenreName(e.genre);
    e.suffix = taskSuffix_;
    e.recordNo = config_.RecordNo;
    e.track = config_.RecordTrack;
    return e;
}

std::vector<std::string> RecordingController::RecoverUnfinished() {
    std::vector<std::string> recovered;
    if (!journal_)
        return recovered;
    bool advance = false;
    for (const JournalEntry& e : journal_->Load()) {
        std::error_code ec;
        if (!fs::exists(e.path, ec)) {
            journal_->Remove(e.path);
            continue;
        }
        const RecordFileRepair::Result r = RecordFileRepair::Repair(e.path);
        if (!r.ok) {
            panel_.reportError("\"" + e.fileName +
                               "\" was left unfinished and could not be repaired: " + r.error +
                               ".");
            journal_->Remove(e.path);
            continue;
        }
        // An MP3 file that got its ID3v1 tag before the crash keeps that one.
        bool tagged = false;
        if (fs::path(e.path).extension() == ".mp3") {
            std::ifstream in(e.path, std::ios::binary);
            char tag[3] = {};
            in.seekg(-128, std::ios::end);
            tagged = in.read(tag, 3) && std::string(tag, 3) == "TAG";
        }
        if (!tagged && services_.tagFileWith) {
            TagValues t{e.title,   e.artist, e.album,     e.year,
                        e.comment, e.genre,  e.genreName, e.track};
            services_.tagFileWith(e.path, t);
        }
        std::string error;
        if (!e.catalogued && !AddRow(e, static_cast<int>(r.seconds + 0.5), error) && !error.empty())
            panel_.reportError(
                "\"" + e.fileName +
                "\" was recovered, but it could not be entered into the catalogue: " + error);
        advance = advance || !e.stopped;
        recovered.push_back(e.fileName);
        journal_->Remove(e.path);
    }
    if (advance)
        AdvanceRecordNo();
    if (!recovered.empty()) {
        std::string list;
        for (const auto& name : recovered)
            list += (list.empty() ? "" : ", ") + ("\"" + name + "\"");
        panel_.reportError("The program ended unexpectedly while recording. These files were "
                           "recovered, tagged and catalogued: " +
                           list + ".");
        panel_.notifyAway(
            {AwayNotice::Kind::FilesRecovered, "", static_cast<uint32_t>(recovered.size())});
    }
    return recovered;
}

// The tagger reads the track from the settings record; a file tagged late gets its own.
void RecordingController::Tag(const std::string& path, int track) {
    if (!services_.tagFile) {
        if (journal_)
            journal_->Remove(path);
        return;
    }
    const int current = config_.RecordTrack;
    config_.RecordTrack = track;
    const bool ok = services_.tagFile(path);
    config_.RecordTrack = current;
    if (journal_)
        journal_->Remove(path);
    if (!ok)
        panel_.reportError("The tags of \"" + path + "\" could not be written.");
}

// Tags the finished files that the writer is done with, oldest first.
void RecordingController::TagPending() {
    ReportCloseFailures();
    while (!pendingTags_.empty() && capture_.Writer().FileClosed(pendingTags_.front().serial)) {
        PendingTag p = std::move(pendingTags_.front());
        pendingTags_.pop_front();
        Tag(p.path, p.track);
    }
}

// A file that could not be completed keeps the sound written before; the user learns of it
// as of a full disk.
void RecordingController::ReportCloseFailures() {
    for (const auto& f : capture_.Writer().TakeCloseFailures())
        ReportCloseFailure(f.text);
}

void RecordingController::ReportCloseFailure(const std::string& text) {
    panel_.reportError("A recorded file could not be completed: " + text +
                       ". The sound recorded until then is kept.");
}

void RecordingController::ShowElapsed() {
    std::string text = RecordingTexts::DurationText(elapsedSeconds_);
    if (const uint32_t lost = capture_.RecordingDropouts())
        text += "  " + RecordingTexts::DropoutText(lost);
    panel_.showElapsedTime(text);
}

void RecordingController::AdvanceRecordNo() {
    config_.RecordNo.fetch_add(1);
    config_.RecordTrack = 1;
    config_.SaveCounters();
    panel_.setCounterSpinners(config_.RecordNo, config_.RecordTrack);
}

void RecordingController::RunEndAction() {
    scheduledEndOwed_ = false;
    if (services_.runEndAction)
        services_.runEndAction();
}

void RecordingController::PostRecordingState(uintptr_t started) {
    if (services_.recordingChanged)
        services_.recordingChanged(started != 0);
    if (!services_.deviceTargetWindow)
        return;
    if (WindowHandle h = services_.deviceTargetWindow->load())
        MessageWindow::PostTo(h, msg::RecordingState, started, 0);
}

void RecordingController::ShowRecordingButtons() {
    panel_.setButtonEnabled(cmd::RecordStart, false);
    panel_.setButtonEnabled(cmd::RecordStop, true);
    panel_.setButtonEnabled(cmd::RecordPause, true);
    panel_.setButtonEnabled(cmd::RecordDivide, config_.RecordDiviType == 0);
}

// The panel of no recording: Start only, no clock, no recording labels.
void RecordingController::ShowStopped() {
    panel_.setRecordingClock(false);
    panel_.hideRecordingLabels();
    panel_.setButtonEnabled(cmd::RecordStart, true);
    panel_.setButtonEnabled(cmd::RecordStop, false);
    panel_.setButtonEnabled(cmd::RecordDivide, false);
    panel_.setButtonEnabled(cmd::RecordPause, false);
}

RecordingController::Status RecordingController::CurrentStatus() const {
    Status s;
    if (!fileOpen_)
        return s;
    s.state = paused_ ? Status::State::Paused : Status::State::Recording;
    s.file = currentFilePath_;
    // Read now rather than at the last tick, which may be a second old.
    s.elapsedSeconds = static_cast<int>(ElapsedMs() / 1000);
    s.dropouts = capture_.RecordingDropouts();
    return s;
}

uint32_t RecordingController::ElapsedMs() const {
    return paused_ ? pausedElapsedMs_ : nowTick() - startTick_;
}

} // namespace vorlane
