#pragma once
// A manual clock and timer source for the engine: time moves only when the test advances it,
// and timers fire in deadline order as it passes them. No sleeps, no real time.
#include "reader/ReaderPort.h"

#include <QDateTime>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace tk::test {

class ManualTime : public reader::Clock, public reader::TimerSource {
public:
    explicit ManualTime(QDateTime start = QDateTime(QDate(2006, 1, 15), QTime(10, 0, 0)))
        : start_(std::move(start)) {}

    void setHandler(std::function<void(reader::TimerId)> h) { handler_ = std::move(h); }

    QDateTime now() const override { return start_.addMSecs(nowMs_); }
    int64_t elapsedMs() const { return nowMs_; }

    void start(reader::TimerId id, int ms) override { deadline_[size_t(id)] = nowMs_ + ms; }
    void stop(reader::TimerId id) override { deadline_[size_t(id)].reset(); }
    bool running(reader::TimerId id) const { return deadline_[size_t(id)].has_value(); }
    // Milliseconds until the timer fires; -1 when it is stopped.
    int64_t remaining(reader::TimerId id) const
    {
        const auto& d = deadline_[size_t(id)];
        return d ? *d - nowMs_ : -1;
    }

    // Runs fn once time reaches nowMs + ms (a peer's reply arriving, for instance).
    void schedule(int64_t ms, std::function<void()> fn) { events_.emplace(nowMs_ + ms, std::move(fn)); }

    // Moves time forward by ms, firing every timer and event whose time is passed, earliest first.
    void advance(int64_t ms)
    {
        const int64_t end = nowMs_ + ms;
        for (;;) {
            int next = -1;
            for (int i = 0; i < 3; ++i)
                if (deadline_[i] && *deadline_[i] <= end && (next < 0 || *deadline_[i] < *deadline_[next]))
                    next = i;
            const bool eventFirst = !events_.empty() && events_.begin()->first <= end
                && (next < 0 || events_.begin()->first < *deadline_[next]);
            if (eventFirst) {
                auto it = events_.begin();
                nowMs_ = it->first;
                auto fn = std::move(it->second);
                events_.erase(it);
                fn();
                continue;
            }
            if (next < 0)
                break;
            nowMs_ = *deadline_[next];
            deadline_[next].reset();
            if (handler_)
                handler_(static_cast<reader::TimerId>(next));
        }
        nowMs_ = end;
    }

private:
    QDateTime start_;
    int64_t nowMs_ = 0;
    std::array<std::optional<int64_t>, 3> deadline_{};
    std::function<void(reader::TimerId)> handler_;
    std::multimap<int64_t, std::function<void()>> events_;
};

} // namespace tk::test
