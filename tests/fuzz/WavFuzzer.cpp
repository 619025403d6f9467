// The WAV reader behind the file capture source: header parsing and reading the samples
// of a file whose header may lie about its sizes.
#include "audio/WavFileReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vorlane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WavLayout layout;
    // The same header as the start of a file that is longer, or cut short, than it says.
    for (uint64_t fileSize : {uint64_t(size), uint64_t(size) + 4096, uint64_t(size / 2)})
        WavFileReader::ParseHeader(data, size, fileSize, layout);

    static const std::string path = "/tmp/vorlane-fuzz-" + std::to_string(::getpid()) + ".wav";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    WavFileReader reader;
    if (reader.open(path)) {
        if (reader.layout().dataBytes > size)
            __builtin_trap(); // more sample data than the file holds
        std::vector<uint8_t> buffer(4096);
        uint64_t pos = 0;
        for (long n; (n = reader.readAt(buffer.data(), buffer.size(), pos)) > 0;)
            pos += uint64_t(n);
    }
    reader.close();
    return 0;
}
