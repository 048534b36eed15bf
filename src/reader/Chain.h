#pragma once
// The extension point of the exchange engine: a chain of steps that another subsystem owns (the
// route transfers, say) plugs into the engine's step table and reply dispatch without the engine
// knowing it. The engine still sends every request, collects and checks every reply, keeps the
// time-outs and does what every reply of a kind does (names into DbNames, counts into the header,
// the reader clock shown); the chain builds the requests of its steps and chooses the next step.
#include "reader/Frame.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tk::reader {

// What one step sends and the status text shown while it is out.
struct Request {
    uint8_t function = 0;
    QByteArray payload;
    QString status;
};

class Chain {
public:
    virtual ~Chain() = default;

    // The steps this chain owns; no two chains (nor the engine's own) share a step.
    virtual bool ownsStep(int step) const = 0;
    // The request of one of its steps. An Error thrown here sends the engine back to the poll.
    virtual Request request(int step) = 0;
    // A normal reply that arrived while one of its steps was current; the chain sets the next
    // step on the engine (or leaves it, and the same request goes out again).
    virtual void onReply(const RxCollector& reply) = 0;
    // The reader refused the request (error answer code 4); by default it is sent again.
    virtual void onRefused() {}
    // A time-out empties the street list, which the poll then reads anew; a chain that relies on
    // the list it has built up keeps it.
    virtual bool keepsStreetsOnTimeout(int /*step*/) const { return false; }
};

} // namespace tk::reader
