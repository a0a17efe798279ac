#include "host/uinput_keyboard.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace host {

std::string VirtualKeyboardName(std::string_view modelName) {
    return "Clavenet " + std::string(modelName) + " keyboard";
}

UinputKeyboard::~UinputKeyboard() {
    ReleaseAll();
    if (device_ != nullptr) {
        libevdev_uinput_destroy(device_);
    }
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

std::optional<UinputKeyboard::Failure> UinputKeyboard::Create(const VirtualKeyboardIdentity& identity) {
    descriptor_ = open(uinputPath, O_RDWR | O_CLOEXEC);
    if (descriptor_ < 0) {
        return Failure{errno, true};
    }
    const std::unique_ptr<libevdev, decltype(&libevdev_free)> description(libevdev_new(), &libevdev_free);
    libevdev_set_name(description.get(), identity.name.c_str());
    libevdev_set_id_bustype(description.get(), BUS_RS232);
    libevdev_enable_event_type(description.get(), EV_KEY);
    for (const std::uint16_t code : identity.keys) {
        libevdev_enable_event_code(description.get(), EV_KEY, code, nullptr);
    }
    if (identity.repeat) {
        libevdev_enable_event_type(description.get(), EV_REP);
    }
    // libevdev passes no phys on to uinput: it is set here, before the
    // device is made.
    if (ioctl(descriptor_, UI_SET_PHYS, identity.phys.c_str()) < 0) {
        return Failure{errno, false};
    }
    const int result = libevdev_uinput_create_from_device(description.get(), descriptor_, &device_);
    if (result < 0) {
        device_ = nullptr;
        return Failure{-result, false};
    }
    return std::nullopt;
}

bool UinputKeyboard::Write(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    const int result = libevdev_uinput_write_event(device_, type, code, value);
    if (result < 0 && !writeFailureTold_) {
        writeFailureTold_ = true;
        std::fprintf(stderr, "clavenet-attach: writing to %s failed: %s\n", uinputPath, std::strerror(-result));
    }
    return result >= 0;
}

// A key counts as down until its release is written: a write that failed
// leaves it for ReleaseAll to try again.
void UinputKeyboard::Key(std::uint16_t code, bool down) {
    if (device_ == nullptr || !Write(EV_KEY, code, down ? 1 : 0) || !Write(EV_SYN, SYN_REPORT, 0)) {
        if (down) {
            down_.insert(code);
        }
        return;
    }
    if (down) {
        down_.insert(code);
    } else {
        down_.erase(code);
    }
}

void UinputKeyboard::ReleaseAll() {
    const std::set<std::uint16_t> down = down_;
    for (const std::uint16_t code : down) {
        Key(code, false);
    }
}

}  // namespace host
