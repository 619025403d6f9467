#pragma once

#include <cstdint>
#include <string>

namespace vorlane {

// The message number registered for a name: the same name always gets the same number
// (0xC000 and up), distinct names distinct numbers. Callable from any thread.
uint32_t RegisterWindowMessage(const std::string& name);

} // namespace vorlane
