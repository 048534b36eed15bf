#pragma once
// The engine wired to the emulated reader's device core in-process: each request that goes out
// reaches the core when its last byte is written, and the core's answer comes back after the
// time the bytes take on a 9600-baud line (11 bits a byte), split and delayed as its faults say.
#include "DeviceCore.h"
#include "EngineHarness.h"

namespace tk::test {

class CoreLink : public reader::ReaderPort {
public:
    CoreLink(ManualTime& time, sim::DeviceCore& core) : time_(time), core_(core) {}
    void setEngine(reader::Engine* e) { engine_ = e; }

    bool open_ = false;
    std::vector<QByteArray> requests;

    void open() override { open_ = true; }
    void close() noexcept override { open_ = false; }
    void setParity(reader::Parity p) override { parity_ = p; }
    void write(const QByteArray& bytes) override
    {
        if (parity_ == reader::Parity::Mark) {
            pending_ = bytes;
            return;
        }
        const QByteArray request = pending_ + bytes;
        requests.push_back(request);
        const auto t = core_.respond(request);
        if (!t)
            return;
        const int64_t wire = byteMs(int(bytes.size()));
        if (t->byteGapMs > 0) {
            for (int i = 0; i < t->bytes.size(); ++i)
                deliver(wire + t->delayMs + i * t->byteGapMs + byteMs(i + 1), t->bytes.mid(i, 1));
        } else {
            deliver(wire + t->delayMs + byteMs(int(t->bytes.size())), t->bytes);
        }
    }

    size_t count(uint8_t function) const
    {
        size_t n = 0;
        for (const QByteArray& r : requests)
            n += uint8_t(r.at(0)) == function;
        return n;
    }

private:
    static int64_t byteMs(int bytes) { return (int64_t(bytes) * 11 * 1000 + 9599) / 9600; }
    void deliver(int64_t afterMs, QByteArray bytes)
    {
        time_.schedule(afterMs, [this, bytes] {
            if (open_ && engine_)
                engine_->onReceived(bytes);
        });
    }

    ManualTime& time_;
    sim::DeviceCore& core_;
    reader::Engine* engine_ = nullptr;
    reader::Parity parity_ = reader::Parity::Mark;
    QByteArray pending_;
};

struct CoreHarness {
    ManualTime time;
    sim::DeviceCore core{sim::DeviceState{}, [this] { return time.now(); }};
    CoreLink link{time, core};
    ScriptedPrompter prompter;
    reader::Engine engine{link, time, time, prompter};

    CoreHarness()
    {
        time.setHandler([this](reader::TimerId id) { engine.onTimer(id); });
        link.setEngine(&engine);
        engine.startTicking();
    }

    // Runs the link until the predicate holds; false when it does not within the time given.
    template <class Pred>
    bool runUntil(Pred pred, int64_t maxMs = 60000)
    {
        for (int64_t t = 0; t < maxMs; ++t) {
            if (pred())
                return true;
            time.advance(1);
        }
        return pred();
    }
    // Runs a started chain until it is back in the poll with the reader actions enabled again.
    bool runChain(int64_t maxMs = 60000)
    {
        time.advance(1);
        return runUntil([this] { return engine.stepNo() <= reader::StepClock && engine.readerActionsOn(); }, maxMs);
    }
    bool connectAndPoll()
    {
        engine.connectLink();
        return runUntil([this] { return engine.readerActionsOn(); });
    }
};

} // namespace tk::test
