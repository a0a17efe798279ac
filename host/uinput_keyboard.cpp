#include "host/uinput_keyboard.h"

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace host {

UinputKeyboard::~UinputKeyboard() {
    ReleaseAll();
    if (device_ != nullptr) {
        libevdev_uinput_destroy(device_);
    }
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

std::optional<UinputKeyboard::Failure> UinputKeyboard::Create() {
    descriptor_ = open(uinputPath, O_RDWR | O_CLOEXEC);
    if (descriptor_ < 0) {
        return Failure{errno, true};
    }
    const std::unique_ptr<libevdev, decltype(&libevdev_free)> description(libevdev_new(), &libevdev_free);
    libevdev_set_name(description.get(), virtualKeyboardName);
    libevdev_set_id_bustype(description.get(), BUS_VIRTUAL);
    // Without EV_REP the kernel never repeats a key on its own.
    libevdev_enable_event_type(description.get(), EV_KEY);
    for (const std::uint16_t code : HostKeyCodes()) {
        libevdev_enable_event_code(description.get(), EV_KEY, code, nullptr);
    }
    const int result = libevdev_uinput_create_from_device(description.get(), descriptor_, &device_);
    if (result < 0) {
        device_ = nullptr;
        return Failure{-result, false};
    }
    return std::nullopt;
}

void UinputKeyboard::Write(const InputEvent& event) {
    const int result = libevdev_uinput_write_event(device_, event.type, event.code, event.value);
    if (result < 0) {
        if (!writeFailureTold_) {
            writeFailureTold_ = true;
            std::fprintf(stderr, "clavenet-attach: writing to %s failed: %s\n", uinputPath, std::strerror(-result));
        }
        return;
    }
    if (event.type == EV_KEY) {
        if (event.value != 0) {
            down_.insert(event.code);
        } else {
            down_.erase(event.code);
        }
    }
}

void UinputKeyboard::Type(const HostKey& key) {
    for (const InputEvent& event : StrokeEvents(key)) {
        Write(event);
    }
    // A write that failed half-way must not leave its key down: the release
    // is tried again here and after every later key.
    ReleaseAll();
}

void UinputKeyboard::ReleaseAll() {
    if (device_ == nullptr) {
        return;
    }
    const std::set<std::uint16_t> down = down_;
    for (const std::uint16_t code : down) {
        Write({EV_KEY, code, 0});
        Write({EV_SYN, SYN_REPORT, 0});
    }
}

}  // namespace host
