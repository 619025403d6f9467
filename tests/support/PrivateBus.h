#pragma once

#include "TestProgramFolder.h"

#include <QByteArray>
#include <QProcess>

namespace vorlane::test {

// A dbus-daemon of the test's own, listening in a folder of its own, where a test's fake
// services (logind, a notification server) take their names. address() is empty when the
// daemon could not be started. The daemon ends with the object.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QByteArray& address() const { return address_; }

private:
    TestProgramFolder folder_{false};
    QProcess daemon_;
    QByteArray address_;
};

} // namespace vorlane::test
