#pragma once
// The engine with a recording port, a manual clock and a scripted prompter.
#include "reader/Engine.h"
#include "common/Error.h"
#include "ManualTime.h"
#include "ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <vector>

namespace tk::test {

class RecordingPort : public reader::ReaderPort {
public:
    struct Write {
        reader::Parity parity;
        QByteArray bytes;
    };

    QString openError; // non-empty: open() fails with it
    bool open_ = false;
    reader::Parity parity = reader::Parity::Mark;
    std::vector<Write> writes;

    void open() override
    {
        if (!openError.isEmpty())
            throw Error(openError);
        open_ = true;
        parity = reader::Parity::Mark;
    }
    void close() noexcept override { open_ = false; }
    void setParity(reader::Parity p) override { parity = p; }
    void write(const QByteArray& bytes) override
    {
        EXPECT_TRUE(open_) << "write on a closed port";
        writes.push_back({parity, bytes});
    }
};

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

struct Harness {
    ManualTime time;
    RecordingPort port;
    ScriptedPrompter prompter;
    reader::Engine engine{port, time, time, prompter};
    QStringList log;

    Harness()
    {
        time.setHandler([this](reader::TimerId id) { engine.onTimer(id); });
        engine.setExchangeLog(&log);
        engine.startTicking();
    }

    // Requests sent so far: a Mark first byte joined with the Space tail that followed it.
    std::vector<QByteArray> requests() const
    {
        std::vector<QByteArray> out;
        for (const auto& w : port.writes) {
            if (w.parity == reader::Parity::Mark)
                out.push_back(w.bytes);
            else if (!out.empty())
                out.back() += w.bytes;
        }
        return out;
    }
    QByteArray lastRequest() const
    {
        const auto r = requests();
        return r.empty() ? QByteArray() : r.back();
    }
    size_t requestCount() const { return requests().size(); }

    // Lets the 10 ms split pass so that the whole request is on the wire.
    void completeSend() { time.advance(reader::kSendSplitMs); }

    void reply(uint8_t function, const QByteArray& payload = {})
    {
        completeSend();
        engine.onReceived(reader::buildFrame(function, payload));
    }
    void replyRaw(const QByteArray& bytes)
    {
        completeSend();
        engine.onReceived(bytes);
    }

    // Answers the poll up to its clock request (without a street read: the street count is the
    // list's), then, with answerPoll, the clock too.
    void answerPollUpToClock(uint8_t version = 0x06, uint8_t build = 0x01)
    {
        using namespace reader;
        reply(GetVersion, bytes({version, build}));
        for (int db : {2, 0, 1, 3, 4, 63})
            reply(GetCount, bytes({db, 10 + db, 0}));
        reply(GetCount, bytes({5, engine.streets().size(), 0}));
    }
    void answerPoll(uint8_t version = 0x06, uint8_t build = 0x01)
    {
        answerPollUpToClock(version, build);
        reply(reader::GetClock, hex("00 30 23 31 12 01"));
    }
};

} // namespace tk::test
