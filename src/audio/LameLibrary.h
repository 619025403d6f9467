#pragma once

#include <lame/lame.h>

#include <string>

namespace vorlane {

// The LAME encoder library, loaded with dlopen while an MP3 recording is open and unloaded
// when it ends, so that a machine without it still records WAV and WMA. Every function is
// looked up by name; the types come from lame.h.
//
// Thread contract: Load runs on the controlling thread, the entry points and Unload on the
// thread that owns the recording's outputs (see RecordOutput). Not shared between threads.
class LameLibrary {
public:
    // The library loaded unless VORLANE_LAME_LIBRARY names another file.
    static constexpr const char* kDefaultName = "libmp3lame.so.0";
    static std::string DefaultName();

    explicit LameLibrary(std::string name = DefaultName());
    ~LameLibrary();
    LameLibrary(const LameLibrary&) = delete;
    LameLibrary& operator=(const LameLibrary&) = delete;

    // Loads the library and finds every entry point. True at once when loaded. On failure
    // nothing stays loaded and Error()/ErrorText() say why (-ELIBACC: the library cannot
    // be loaded; -ELIBBAD: an entry point is missing).
    bool Load();
    // Forgets the entry points and unloads the library.
    void Unload();
    bool IsLoaded() const { return handle_ != nullptr; }
    const std::string& Name() const { return name_; }
    int Error() const { return error_; }
    const std::string& ErrorText() const { return errorText_; }

    decltype(&::lame_init) init = nullptr;
    decltype(&::lame_close) close = nullptr;
    decltype(&::lame_set_in_samplerate) setInSamplerate = nullptr;
    decltype(&::lame_set_out_samplerate) setOutSamplerate = nullptr;
    decltype(&::lame_set_num_channels) setNumChannels = nullptr;
    decltype(&::lame_set_mode) setMode = nullptr;
    decltype(&::lame_set_brate) setBrate = nullptr;
    decltype(&::lame_set_quality) setQuality = nullptr;
    decltype(&::lame_set_VBR) setVbr = nullptr;
    decltype(&::lame_set_copyright) setCopyright = nullptr;
    decltype(&::lame_set_original) setOriginal = nullptr;
    decltype(&::lame_set_error_protection) setErrorProtection = nullptr;
    decltype(&::lame_set_extension) setExtension = nullptr;
    decltype(&::lame_set_emphasis) setEmphasis = nullptr;
    decltype(&::lame_set_strict_ISO) setStrictIso = nullptr;
    decltype(&::lame_set_disable_reservoir) setDisableReservoir = nullptr;
    decltype(&::lame_set_bWriteVbrTag) setWriteVbrTag = nullptr;
    decltype(&::lame_set_write_id3tag_automatic) setWriteId3tagAutomatic = nullptr;
    decltype(&::lame_init_params) initParams = nullptr;
    decltype(&::lame_get_framesize) getFramesize = nullptr;
    decltype(&::lame_encode_buffer_interleaved) encodeBufferInterleaved = nullptr;
    decltype(&::lame_encode_buffer) encodeBuffer = nullptr;
    decltype(&::lame_encode_flush) encodeFlush = nullptr;
    decltype(&::lame_get_lametag_frame) getLametagFrame = nullptr;

private:
    void ClearEntryPoints();

    std::string name_;
    void* handle_ = nullptr;
    int error_ = 0;
    std::string errorText_;
};

} // namespace vorlane
