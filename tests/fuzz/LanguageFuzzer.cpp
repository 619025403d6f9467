// Language files: whatever a translator (or a damaged download) leaves in one, every text
// look-up gives a bounded string and never fails.
#include "config/wIniFile.h"
#include "ui/LanguageTexts.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

using namespace vorlane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/vorlane-fuzz-" + std::to_string(::getpid()) + ".ini";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (std::string_view section : {LanguageTexts::kWindowText, LanguageTexts::kTooltip,
                                     LanguageTexts::kMenuText, LanguageTexts::kMessage}) {
        const LanguageTexts texts(path, section);
        for (const char* key : {"Close ", "NODEVICE ", "About ", "Record folder unusable "}) {
            const std::string s = texts.string(key, "default");
            if (s.size() > 4 * size_t(wIniFile::kMaxValueChars) + 4)
                __builtin_trap(); // longer than any value may be
            const QString q = texts.text(key, "default");
            LanguageTexts::fitsTrayTip(q);
        }
    }
    return 0;
}
