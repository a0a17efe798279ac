// Where the keys the decoders post go on the host: standard output or a
// virtual keyboard.
#pragma once

#include <string_view>

#include "host/key_strokes.h"

namespace host {

class KeyOutput {
public:
    virtual ~KeyOutput() = default;
    // One key pressed and released.
    virtual void Type(const HostKey& key) = 0;
    // A hot key that means something only on the handheld: opening one of
    // its applications, the ribbon, switching it off.
    virtual void HandheldOnly(std::string_view name) = 0;
    // Lets go of every key still down.
    virtual void ReleaseAll() = 0;
};

// The keys typed as text, flushed after every key.
class PrintedKeys : public KeyOutput {
public:
    void Type(const HostKey& key) override;
    void HandheldOnly(std::string_view name) override;
    void ReleaseAll() override {}
};

// Where RimPostMessage, the ribbon's calls and RimRequestPowerOff send what
// they are given.
void SendKeysTo(KeyOutput* output);

}  // namespace host
