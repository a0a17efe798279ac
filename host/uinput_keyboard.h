// A virtual keyboard through /dev/uinput, made with libevdev. It has no
// auto-repeat of its own: the decoders repeat a held key themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string_view>

#include "host/key_output.h"

struct libevdev_uinput;

namespace host {

inline constexpr const char* uinputPath = "/dev/uinput";
inline constexpr const char* virtualKeyboardName = "Clavenet keyboard";

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
    std::optional<Failure> Create();

    void Type(const HostKey& key) override;
    void HandheldOnly(std::string_view) override {}
    void ReleaseAll() override;

private:
    void Write(const InputEvent& event);

    int descriptor_ = -1;
    libevdev_uinput* device_ = nullptr;
    std::set<std::uint16_t> down_;
    bool writeFailureTold_ = false;
};

}  // namespace host
