#include "provider/timers.h"

namespace provider {

void TimerTable::Set(std::int32_t id, std::int32_t interval, std::uint64_t now) {
    if (interval > 0) {
        timers_[id] = {interval, now + static_cast<std::uint64_t>(interval)};
    } else {
        timers_.erase(id);
    }
}

bool TimerTable::Running(std::int32_t id) const { return timers_.contains(id); }

std::optional<TimerTable::Expiry> TimerTable::TakeDue(std::uint64_t end) {
    auto next = timers_.end();
    for (auto timer = timers_.begin(); timer != timers_.end(); ++timer) {
        if (timer->second.due <= end && (next == timers_.end() || timer->second.due < next->second.due)) {
            next = timer;
        }
    }
    if (next == timers_.end()) {
        return std::nullopt;
    }
    const Expiry expiry{next->first, next->second.due};
    next->second.due += static_cast<std::uint64_t>(next->second.interval);
    return expiry;
}

std::optional<std::uint64_t> TimerTable::NextDue() const {
    std::optional<std::uint64_t> due;
    for (const auto& [id, timer] : timers_) {
        if (!due || timer.due < *due) {
            due = timer.due;
        }
    }
    return due;
}

}  // namespace provider
