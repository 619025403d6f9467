#include "device/HidapiBackend.h"
#include "device/LCDevEnumtor.h"
#include "device/SimulatedHidBackend.h"
#include "platform/DeviceTypes.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorlane;

namespace {
using IdPairs = std::set<std::pair<uint16_t, uint16_t>>;
IdPairs supported() {
    IdPairs ids;
    for (const DeviceType& t : DeviceTypes::All)
        ids.insert({t.vendorId, t.productId});
    return ids;
}
} // namespace

TEST(Backends, HidapiEnumeratesWithoutErrorWhereNoDeviceIs) {
    HidapiBackend hidapi;
    LCDevEnumtor e(&hidapi);
    for (const auto& [vid, pid] : supported()) {
        std::vector<HidDeviceInfo> out;
        EXPECT_TRUE(hidapi.enumerate(vid, pid, out));
        for (const auto& d : out) { // on a machine that has one, it is well formed
            EXPECT_EQ(d.vendorId, vid);
            EXPECT_FALSE(d.path.empty());
        }
    }
    e.EnumerateSupported();
    EXPECT_EQ(e.paths().size(), e.products().size());
    EXPECT_EQ(hidapi.open("/dev/hidraw-none"), nullptr);
    EXPECT_TRUE(HidapiBackend::ReadReportDescriptor("/dev/hidraw-none").empty());
}

TEST(Backends, EnumeratorListsReadableProductsOfTheFirstPresentPair) {
    SimulatedHidBackend sim;
    auto nameless = sim.add(SimulatedHidDevice::Kind::Adapter, "sim:nameless");
    nameless->setProduct("");
    auto sss = sim.add(SimulatedHidDevice::Kind::Sss);
    LCDevEnumtor e(&sim);
    // The pair-1 device has no readable product string, so it is not listed, and pair 3
    // is the first that lists one.
    EXPECT_TRUE(e.EnumerateSupported());
    EXPECT_EQ(e.paths(), std::vector<std::string>{"sim:sss"});
    EXPECT_EQ(e.products(), std::vector<std::string>{"SSS USB Audio Device"});
    sss->unplug();
    EXPECT_FALSE(e.EnumerateSupported());
    EXPECT_TRUE(e.paths().empty());
}

TEST(Backends, UdevRuleGrantsEverySupportedPair) {
    std::ifstream in(VORLANE_UDEV_RULE);
    ASSERT_TRUE(in.good());
    std::stringstream text;
    text << in.rdbuf();
    IdPairs granted;
    const QRegularExpression rule(
        R"re(^SUBSYSTEM=="hidraw".*ATTRS\{idVendor\}=="([0-9a-f]{4})", )re"
        R"re(ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re");
    std::string line;
    while (std::getline(text, line)) {
        auto m = rule.match(QString::fromStdString(line));
        if (m.hasMatch())
            granted.insert({uint16_t(m.captured(1).toUInt(nullptr, 16)),
                            uint16_t(m.captured(2).toUInt(nullptr, 16))});
    }
    EXPECT_EQ(granted, supported());
}

// A node this user may not open is told apart from one that is simply not there.
TEST(Backends, HidapiTellsADeniedNodeFromAMissingOne) {
    char dir[] = "/tmp/vorlane-node-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string node = std::string(dir) + "/hidraw0";
    std::ofstream(node).put('x');
    ASSERT_EQ(::chmod(node.c_str(), 0600), 0);
    ASSERT_EQ(::chmod(dir, 0755), 0);
    HidapiBackend hidapi;
    EXPECT_TRUE(hidapi.accessible(std::string(dir) + "/hidraw9"));
    // As another user than the node's owner (root passes every permission check).
    const bool root = ::geteuid() == 0;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root ? ::setuid(65534) != 0 : ::chmod(node.c_str(), 0) != 0)
            ::_exit(2);
        ::_exit(hidapi.accessible(node) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::filesystem::remove_all(dir);
}
