// Load runs on the controlling thread; the entry points and Unload where the outputs are.
#include "audio/LameLibrary.h"

#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>

namespace vorlane {

namespace {
template <typename F> bool find(void* handle, const char* name, F& fn, std::string& missing) {
    fn = reinterpret_cast<F>(::dlsym(handle, name));
    if (!fn && missing.empty())
        missing = name;
    return fn != nullptr;
}
} // namespace

std::string LameLibrary::DefaultName() {
    const char* name = std::getenv("VORLANE_LAME_LIBRARY");
    return name && *name ? name : kDefaultName;
}

LameLibrary::LameLibrary(std::string name) : name_(std::move(name)) {}

LameLibrary::~LameLibrary() {
    Unload();
}

bool LameLibrary::Load() {
    if (handle_)
        return true;
    error_ = 0;
    errorText_.clear();
    handle_ = ::dlopen(name_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = ::dlerror();
        error_ = -ELIBACC;
        errorText_ = "the MP3 encoder library " + name_ + " cannot be loaded" +
                     (why ? std::string(": ") + why : std::string());
        return false;
    }
    std::string missing;
    find(handle_, "lame_init", init, missing);
    find(handle_, "lame_close", close, missing);
    find(handle_, "lame_set_in_samplerate", setInSamplerate, missing);
    find(handle_, "lame_set_out_samplerate", setOutSamplerate, missing);
    find(handle_, "lame_set_num_channels", setNumChannels, missing);
    find(handle_, "lame_set_mode", setMode, missing);
    find(handle_, "lame_set_brate", setBrate, missing);
    find(handle_, "lame_set_quality", setQuality, missing);
    find(handle_, "lame_set_VBR", setVbr, missing);
    find(handle_, "lame_set_copyright", setCopyright, missing);
    find(handle_, "lame_set_original", setOriginal, missing);
    find(handle_, "lame_set_error_protection", setErrorProtection, missing);
    find(handle_, "lame_set_extension", setExtension, missing);
    find(handle_, "lame_set_emphasis", setEmphasis, missing);
    find(handle_, "lame_set_strict_ISO", setStrictIso, missing);
    find(handle_, "lame_set_disable_reservoir", setDisableReservoir, missing);
    find(handle_, "lame_set_bWriteVbrTag", setWriteVbrTag, missing);
    find(handle_, "lame_set_write_id3tag_automatic", setWriteId3tagAutomatic, missing);
    find(handle_, "lame_init_params", initParams, missing);
    find(handle_, "lame_get_framesize", getFramesize, missing);
    find(handle_, "lame_encode_buffer_interleaved", encodeBufferInterleaved, missing);
    find(handle_, "lame_encode_buffer", encodeBuffer, missing);
    find(handle_, "lame_encode_flush", encodeFlush, missing);
    find(handle_, "lame_get_lametag_frame", getLametagFrame, missing);
    if (!missing.empty()) {
        Unload();
        error_ = -ELIBBAD;
        errorText_ = "the MP3 encoder library " + name_ + " has no function " + missing;
        return false;
    }
    return true;
}

void LameLibrary::ClearEntryPoints() {
    init = nullptr;
    close = nullptr;
    setInSamplerate = nullptr;
    setOutSamplerate = nullptr;
    setNumChannels = nullptr;
    setMode = nullptr;
    setBrate = nullptr;
    setQuality = nullptr;
    setVbr = nullptr;
    setCopyright = nullptr;
    setOriginal = nullptr;
    setErrorProtection = nullptr;
    setExtension = nullptr;
    setEmphasis = nullptr;
    setStrictIso = nullptr;
    setDisableReservoir = nullptr;
    setWriteVbrTag = nullptr;
    setWriteId3tagAutomatic = nullptr;
    initParams = nullptr;
    getFramesize = nullptr;
    encodeBufferInterleaved = nullptr;
    encodeBuffer = nullptr;
    encodeFlush = nullptr;
    getLametagFrame = nullptr;
}

void LameLibrary::Unload() {
    ClearEntryPoints();
    if (handle_)
        ::dlclose(handle_);
    handle_ = nullptr;
}

} // namespace vorlane
