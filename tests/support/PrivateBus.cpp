#include "PrivateBus.h"

namespace vorlane::test {

PrivateBus::PrivateBus() {
    const std::string config = (folder_.path() / "bus.conf").string();
    folder_.writeFile("bus.conf",
                      "<!DOCTYPE busconfig PUBLIC "
                      "\"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                      "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                      "<busconfig><type>session</type><listen>unix:dir=" +
                          folder_.path().string() +
                          "</listen><auth>EXTERNAL</auth>"
                          "<policy context=\"default\"><allow send_destination=\"*\"/>"
                          "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
                          "</policy></busconfig>\n");
    daemon_.start("dbus-daemon", {"--config-file=" + QString::fromStdString(config), "--nofork",
                                  "--print-address=1"});
    if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
        address_ = daemon_.readLine().trimmed();
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000))
        daemon_.kill();
    daemon_.waitForFinished(2000);
}

} // namespace vorlane::test
