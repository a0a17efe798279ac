// The kernel's timers as every provider of the platform's calls keeps them:
// by id, each due every interval after it was last set, until set again
// with no interval.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

namespace provider {

class TimerTable {
public:
    // Starts `id` at tick `now`, or restarts its period; an interval of 0 or
    // less stops it.
    void Set(std::int32_t id, std::int32_t interval, std::uint64_t now);
    bool Running(std::int32_t id) const;

    struct Expiry {
        std::int32_t id;
        std::uint64_t due;
    };
    // The running timer due first at or before `end` (equal ticks: the
    // lower id), its next expiry set; none when no timer is due by then.
    std::optional<Expiry> TakeDue(std::uint64_t end);
    // When the next timer falls due; none while no timer runs.
    std::optional<std::uint64_t> NextDue() const;

private:
    struct Timer {
        std::int32_t interval;
        std::uint64_t due;
    };
    std::map<std::int32_t, Timer> timers_;  // ordered by id
};

}  // namespace provider
