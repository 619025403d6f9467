#include "device/HidapiBackend.h"

#include "device/HidReportDescriptor.h"

#include <QString>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <hidapi.h>
#include <iterator>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vorlane {

namespace {

std::string toUtf8(const wchar_t* s) {
    if (!s)
        return {};
    return QString::fromWCharArray(s).toStdString();
}

class HidapiDevice : public HidDevice {
public:
    HidapiDevice(hid_device* dev, const HidReportLengths& lengths) : dev_(dev), lengths_(lengths) {}
    ~HidapiDevice() override { hid_close(dev_); }

    int readReport(uint8_t* buffer, size_t length) override {
        if (length == 0)
            return 0;
        // hidraw leaves out the report id byte when the device uses none; put the 0 back
        // so that every report looks alike.
        size_t skip = lengths_.usesReportIds ? 0 : 1;
        if (skip)
            buffer[0] = 0;
        int n = hid_read_timeout(dev_, buffer + skip, length - skip, 0);
        if (n < 0)
            return -1;
        if (n == 0)
            return 0;
        return n + int(skip);
    }

    int writeReport(const uint8_t* buffer, size_t length) override {
        return hid_write(dev_, buffer, length);
    }

    size_t inputReportLength() const override { return lengths_.input; }
    size_t outputReportLength() const override { return lengths_.output; }

private:
    hid_device* dev_;
    HidReportLengths lengths_;
};

} // namespace

HidapiBackend::HidapiBackend() {
    initialised_ = hid_init() == 0;
}

HidapiBackend::~HidapiBackend() {
    if (initialised_)
        hid_exit();
}

bool HidapiBackend::enumerate(uint16_t vendorId, uint16_t productId,
                              std::vector<HidDeviceInfo>& out) {
    out.clear();
    if (!initialised_)
        return false;
    hid_device_info* list = hid_enumerate(vendorId, productId);
    for (hid_device_info* d = list; d; d = d->next) {
        HidDeviceInfo info;
        info.path = d->path ? d->path : "";
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        info.product = toUtf8(d->product_string);
        if (!info.path.empty())
            out.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return true;
}

std::unique_ptr<HidDevice> HidapiBackend::open(const std::string& path) {
    if (!initialised_)
        return nullptr;
    HidReportLengths lengths = HidReportDescriptor::Parse(ReadReportDescriptor(path));
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev)
        return nullptr;
    return std::make_unique<HidapiDevice>(dev, lengths);
}

bool HidapiBackend::accessible(const std::string& path) const {
    if (::access(path.c_str(), R_OK | W_OK) == 0)
        return true;
    return errno != EACCES && errno != EPERM;
}

std::vector<uint8_t> HidapiBackend::ReadReportDescriptor(const std::string& path) {
    auto slash = path.rfind('/');
    std::string node = slash == std::string::npos ? path : path.substr(slash + 1);
    if (node.rfind("hidraw", 0) == 0) {
        std::ifstream in("/sys/class/hidraw/" + node + "/device/report_descriptor",
                         std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        if (!bytes.empty())
            return bytes;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    std::vector<uint8_t> bytes;
    int size = 0;
    hidraw_report_descriptor desc{};
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
        desc.size = uint32_t(size);
        if (::ioctl(fd, HIDIOCGRDESC, &desc) == 0)
            bytes.assign(desc.value, desc.value + size);
    }
    ::close(fd);
    return bytes;
}

} // namespace vorlane
