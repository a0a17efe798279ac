// A session written as a clavenet-sim script: the model, "keyboard on", then
// the bytes received as "serial" lines with "wait" lines for the ticks that
// passed, so that the simulated handheld replays what the keyboard did.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace host {

class Recording {
public:
    Recording() = default;
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // False, with errno set, when the file cannot be written.
    bool Open(const std::string& path);

    void Start(const std::string& modelName, const std::string& device);
    // The link opened (at the start, and again after an unplug).
    void KeyboardOn(std::uint64_t tick);
    void KeyboardOff(std::uint64_t tick);
    void Serial(std::uint64_t tick, const std::vector<std::uint8_t>& bytes);
    // Lets the ticks up to the end play out too (a held key's repeats).
    void Finish(std::uint64_t tick);

private:
    void Line(std::uint64_t tick, const std::string& line);

    std::FILE* file_ = nullptr;
    std::uint64_t lastTick_ = 0;
};

}  // namespace host
