// The bytes the serial port has received and the program has not read yet,
// as every provider queues them behind CommReadChar.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace provider {

class ReceivedBytes {
public:
    void Add(const std::vector<std::uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    // The next byte, or -1 when none waits, as CommReadChar answers.
    int Take() {
        if (bytes_.empty()) {
            return -1;
        }
        const std::uint8_t byte = bytes_.front();
        bytes_.pop_front();
        return byte;
    }
    void Clear() { bytes_.clear(); }

private:
    std::deque<std::uint8_t> bytes_;
};

}  // namespace provider
