// Where the keys go on the host: standard output or a virtual keyboard. Both
// roads (key mode, and the keypad messages of the handheld's decoders) end
// here as Linux keys going down and up.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string_view>

#include "keyboards/byte_protocol.h"

namespace host {

class KeyOutput {
public:
    virtual ~KeyOutput() = default;
    // A Linux key goes down or comes up.
    virtual void Key(std::uint16_t code, bool down) = 0;
    // A key its keymap gives no meaning was pressed: it types nothing.
    virtual void Unmapped(KeyNumber key) = 0;
    // A hot key that means something only on the handheld: opening one of
    // its applications, the ribbon, switching it off.
    virtual void HandheldOnly(std::string_view name) = 0;
    // Lets go of every key still down.
    virtual void ReleaseAll() = 0;
};

// What is typed, as text on a US layout: characters as themselves, Enter as
// a newline, chords and the other keys by name ("<Ctrl+c>", "<Shift+Tab>",
// "<Escape>"); a modifier alone shows nothing.
class PrintedKeys : public KeyOutput {
public:
    using Writer = std::function<void(std::string_view text)>;
    // By default, to standard output, flushed after every key.
    explicit PrintedKeys(Writer write = {});

    void Key(std::uint16_t code, bool down) override;
    void Unmapped(KeyNumber key) override;
    void HandheldOnly(std::string_view name) override;
    void ReleaseAll() override;

private:
    bool Down(std::uint16_t left, std::uint16_t right) const;

    Writer write_;
    std::set<std::uint16_t> down_;
    bool capsLock_ = false;
};

// Where RimPostMessage, the ribbon's calls and RimRequestPowerOff send what
// they are given.
void SendKeysTo(KeyOutput* output);

}  // namespace host
