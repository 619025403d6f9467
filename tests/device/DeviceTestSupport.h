#pragma once

#include "LogWindow.h"
#include "device/_SystemOpenedUSBHid.h"

#include <string>
#include <unistd.h>

namespace vorlane::test {

// A record table name of this test process alone, removed again at the end.
class PrivateTableName {
public:
    PrivateTableName() {
        static int n = 0;
        name_ = "/vorlane_test_" + std::to_string(::getpid()) + "_" + std::to_string(n++);
    }
    ~PrivateTableName() { wMapFile::Unlink(name_); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace vorlane::test
