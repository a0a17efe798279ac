// A virtual keyboard through /dev/uinput, made with libevdev.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "host/key_output.h"

struct libevdev_uinput;

namespace host {

inline constexpr const char* uinputPath = "/dev/uinput";

struct VirtualKeyboardIdentity {
    std::string name;  // "Clavenet Happy Hacking keyboard"
    std::string phys;  // where it is attached: the serial port
    std::set<std::uint16_t> keys;
    // The kernel repeats a held key, at the desktop's settings.
    bool repeat;
};

// What the device is named after model `modelName` ("Happy Hacking").
std::string VirtualKeyboardName(std::string_view modelName);

class UinputKeyboard : public KeyOutput {
public:
    // errno of what failed: opening /dev/uinput or making the device.
    struct Failure {
        int error;
        bool opening;
    };

    UinputKeyboard() = default;
    ~UinputKeyboard() override;
    UinputKeyboard(const UinputKeyboard&) = delete;
    UinputKeyboard& operator=(const UinputKeyboard&) = delete;

    // Makes the device; on failure, why.
    std::optional<Failure> Create(const VirtualKeyboardIdentity& identity);

    void Key(std::uint16_t code, bool down) override;
    void Unmapped(KeyNumber) override {}
    void HandheldOnly(std::string_view) override {}
    void ReleaseAll() override;

private:
    bool Write(std::uint16_t type, std::uint16_t code, std::int32_t value);

    int descriptor_ = -1;
    libevdev_uinput* device_ = nullptr;
    std::set<std::uint16_t> down_;
    bool writeFailureTold_ = false;
};

}  // namespace host
