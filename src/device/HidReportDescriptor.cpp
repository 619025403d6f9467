#include "device/HidReportDescriptor.h"

#include <map>
#include <utility>

namespace vorlane {

namespace {
struct Globals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

enum Kind { Input = 0, Output = 1, Feature = 2 };

size_t bytesFor(const std::map<std::pair<int, uint32_t>, uint64_t>& bits, int kind) {
    uint64_t most = 0;
    bool any = false;
    for (const auto& [key, n] : bits) {
        if (key.first != kind)
            continue;
        any = true;
        if (n > most)
            most = n;
    }
    if (!any)
        return 0;
    return size_t((most + 7) / 8) + 1;
}
} // namespace

HidReportLengths HidReportDescriptor::Parse(const uint8_t* data, size_t size) {
    HidReportLengths out;
    Globals g;
    std::vector<Globals> stack;
    // Bits per (kind, report id).
    std::map<std::pair<int, uint32_t>, uint64_t> bits;
    size_t i = 0;
    while (i < size) {
        uint8_t prefix = data[i];
        if (prefix == 0xFE) { // long item: size, tag, data
            if (i + 2 >= size)
                return out;
            i += 3 + data[i + 1];
            continue;
        }
        size_t n = prefix & 3;
        if (n == 3)
            n = 4;
        if (i + 1 + n > size)
            return out; // cut short
        uint32_t value = 0;
        for (size_t k = 0; k < n; ++k)
            value |= uint32_t(data[i + 1 + k]) << (8 * k);
        int type = (prefix >> 2) & 3;
        int tag = (prefix >> 4) & 0xF;
        if (type == 0) { // main
            int kind = tag == 0x8 ? Input : tag == 0x9 ? Output : tag == 0xB ? Feature : -1;
            if (kind >= 0)
                bits[{kind, g.reportId}] += uint64_t(g.reportSize) * g.reportCount;
        } else if (type == 1) { // global
            switch (tag) {
            case 0x7:
                g.reportSize = value;
                break;
            case 0x8:
                g.reportId = value;
                out.usesReportIds = true;
                break;
            case 0x9:
                g.reportCount = value;
                break;
            case 0xA:
                stack.push_back(g);
                break;
            case 0xB:
                if (!stack.empty()) {
                    g = stack.back();
                    stack.pop_back();
                }
                break;
            default:
                break;
            }
        }
        i += 1 + n;
    }
    out.input = bytesFor(bits, Input);
    out.output = bytesFor(bits, Output);
    out.feature = bytesFor(bits, Feature);
    out.valid = size > 0;
    return out;
}

} // namespace vorlane
