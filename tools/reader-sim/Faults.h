#pragma once
// Faults of the emulated reader: one ordered list of rules, each matched against every request
// by its function code and (optionally) its database byte. A matching rule with a count is used
// up one request at a time; a rule without one stays until it is removed.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tk::sim {

struct FaultRule {
    enum class Kind {
        Silence,     // no reply at all
        ErrorAnswer, // an error answer with `value` as its code instead of the real reply
        BadCrc,      // the reply goes out with a corrupted CRC
        Delay,       // the reply starts `value` ms late
        SplitBytes,  // the reply goes out one byte at a time, `value` ms apart
        Garbage,     // `garbage` goes out before the reply
    };
    static constexpr int kForever = -1;

    Kind kind = Kind::Silence;
    std::optional<uint8_t> function; // empty: every function
    std::optional<uint8_t> database; // empty: every request; else only requests for this database
    int remaining = kForever;        // requests still to affect
    int value = 0;
    QByteArray garbage;

    bool matches(uint8_t fn, std::optional<uint8_t> db) const;
    // One line for the program's output: "silence fn 3 x2", "error 8 code 5 db 9" …
    QString describe() const;

    static FaultRule unplugged() { return {}; }
    static FaultRule silenceFirst(int requests) { return {Kind::Silence, {}, {}, requests, 0, {}}; }
    static FaultRule silenceFunction(uint8_t fn) { return {Kind::Silence, fn, {}, kForever, 0, {}}; }
    static FaultRule badCrc(int replies) { return {Kind::BadCrc, {}, {}, replies, 0, {}}; }
    static FaultRule error(uint8_t fn, int code, std::optional<uint8_t> db = {}, int times = kForever)
    {
        return {Kind::ErrorAnswer, fn, db, times, code, {}};
    }
    static FaultRule delay(int ms) { return {Kind::Delay, {}, {}, kForever, ms, {}}; }
    static FaultRule splitBytes(int gapMs) { return {Kind::SplitBytes, {}, {}, kForever, gapMs, {}}; }
    static FaultRule garbageBefore(QByteArray bytes) { return {Kind::Garbage, {}, {}, kForever, 0, std::move(bytes)}; }
};

class FaultList {
public:
    // A rule whose count is already zero would never match; it is not kept.
    void add(FaultRule rule)
    {
        if (rule.remaining != 0)
            rules_.push_back(std::move(rule));
    }
    void clear() { rules_.clear(); }
    const std::vector<FaultRule>& rules() const { return rules_; }

    // "Unplugged" is a silence that matches everything and never runs out.
    void unplug();
    void plug();
    bool unplugged() const;

    // The first live rule of this kind that matches the request; it is used up by one (and
    // dropped when it reaches zero). The copy returned stays valid after that.
    std::optional<FaultRule> take(FaultRule::Kind kind, uint8_t fn, std::optional<uint8_t> db);

private:
    static bool isUnplug(const FaultRule& r);
    std::vector<FaultRule> rules_;
};

} // namespace tk::sim
