#pragma once

#include "LogWindow.h"
#include "device/DeviceManger.h"
#include "device/SimulatedHidBackend.h"
#include "device/_SystemOpenedUSBHid.h"

#include <functional>
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

// Another process takes the table's lock and runs `act` under it; it then dies, or, with
// `hang`, waits to be killed. Returns its id once `act` has succeeded, else -1.
inline pid_t otherProcessLocks(const std::string& name, bool hang,
                               const std::function<bool(_SystemOpenedUSBHid&)>& act) {
    int pipeFd[2];
    if (::pipe(pipeFd) != 0)
        return -1;
    pid_t child = ::fork();
    if (child == 0) {
        _SystemOpenedUSBHid c;
        char b = c.OpenTable(name) && c.Lock() && act(c) ? 'y' : 'n';
        [[maybe_unused]] auto w = ::write(pipeFd[1], &b, 1);
        if (hang)
            ::pause();
        ::_exit(0);
    }
    char b = 0;
    if (child < 0 || ::read(pipeFd[0], &b, 1) != 1 || b != 'y')
        child = -1;
    ::close(pipeFd[0]);
    ::close(pipeFd[1]);
    return child;
}

// Runs f with the table locked and returns what it returns.
template <class F> auto underLock(_SystemOpenedUSBHid& t, F f) {
    t.Lock();
    auto result = f();
    t.Unlock();
    return result;
}

// Simulated devices as the HID back end and a private record table for the manager, for
// the life of the object.
class SimulatedHidRig {
public:
    SimulatedHidRig() {
        HidBackend::install(&backend);
        DeviceManger::instance().setTableName(tableName.name());
    }
    ~SimulatedHidRig() { HidBackend::install(nullptr); }

    SimulatedHidBackend backend;
    PrivateTableName tableName;
};

} // namespace vorlane::test
