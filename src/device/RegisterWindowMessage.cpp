#include "device/RegisterWindowMessage.h"

#include <map>
#include <mutex>

namespace vorlane {

uint32_t RegisterWindowMessage(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, uint32_t> numbers;
    std::lock_guard<std::mutex> lock(mutex);
    auto [it, added] = numbers.emplace(name, uint32_t(0xC000 + numbers.size()));
    return it->second;
}

} // namespace vorlane
