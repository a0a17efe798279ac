#include "host/recording.h"

#include "host/trace.h"

namespace host {

Recording::~Recording() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool Recording::Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void Recording::Start(const std::string& modelName, const std::string& device) {
    if (file_ == nullptr) {
        return;
    }
    std::fprintf(file_, "# recorded by clavenet-attach from %s\nmodel %s\n", device.c_str(), modelName.c_str());
    std::fflush(file_);
}

void Recording::KeyboardOn(std::uint64_t tick) { Line(tick, "keyboard on"); }

void Recording::KeyboardOff(std::uint64_t tick) { Line(tick, "keyboard off"); }

void Recording::Serial(std::uint64_t tick, const std::vector<std::uint8_t>& bytes) {
    Line(tick, "serial" + HexBytes(bytes));
}

void Recording::Finish(std::uint64_t tick) { Line(tick, ""); }

// Each line is written out at once, so that a session cut short still
// leaves a script that replays up to there.
void Recording::Line(std::uint64_t tick, const std::string& line) {
    if (file_ == nullptr) {
        return;
    }
    if (tick > lastTick_) {
        std::fprintf(file_, "wait %llu\n", static_cast<unsigned long long>(tick - lastTick_));
        lastTick_ = tick;
    }
    if (!line.empty()) {
        std::fprintf(file_, "%s\n", line.c_str());
    }
    std::fflush(file_);
}

}  // namespace host
