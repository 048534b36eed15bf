#include "Wire.h"

#include "reader/Frame.h"

#include <algorithm>

namespace tk::sim {

Wire::Wire(DeviceCore& core, int baud)
    : core_(core)
{
    // Rounded up, so that the modelled line is never faster than the real one.
    if (baud > 0)
        byteUs_ = (int64_t(kBitsPerByte) * 1'000'000 + baud - 1) / baud;
}

void Wire::received(const QByteArray& bytes, int64_t nowUs)
{
    if (bytes.isEmpty())
        return;
    in_ += bytes;
    // Each byte has crossed the line one byte time after it was written or after the byte
    // before it had crossed, whichever is later: a request split in two by the sender's pause
    // ends one byte time per byte after its second half was written, as on a real line.
    for (int i = 0; i < int(bytes.size()); ++i) {
        inLineFreeUs_ = std::max(nowUs, inLineFreeUs_) + byteUs_;
        inTimes_.push_back(inLineFreeUs_);
    }
    lastArrivalUs_ = nowUs;
}

void Wire::dropFront(int n)
{
    in_.remove(0, n);
    inTimes_.erase(inTimes_.begin(), inTimes_.begin() + n);
}

int Wire::validFrameAt(int offset) const
{
    if (int(in_.size()) - offset < 4)
        return 0;
    const int length = uint8_t(in_[offset + 1]);
    if (length < reader::kMinLength || offset + length + 2 > int(in_.size()))
        return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(in_.constData()) + offset;
    return reader::CheckReplyCrc(p, length + 2) ? length + 2 : 0;
}

int Wire::resync()
{
    for (;;) {
        if (in_.size() < 2)
            return 0;
        const int length = uint8_t(in_[1]);
        if (length < reader::kMinLength) {
            dropFront(1);
            continue;
        }
        if (int(in_.size()) >= length + 2) {
            if (const int n = validFrameAt(0))
                return n;
            dropFront(1);
            continue;
        }
        // The head is still short of its length. If a whole valid frame starts further on,
        // the head was no frame start (a stray byte whose successor looks like a long length).
        int next = 1;
        while (next + 4 <= int(in_.size()) && !validFrameAt(next))
            ++next;
        if (next + 4 > int(in_.size()))
            return 0;
        dropFront(next);
    }
}

QByteArray Wire::service(int64_t nowUs)
{
    for (;;) {
        const int n = resync();
        if (n == 0)
            break;
        // Not before its last byte could have crossed the line.
        const int64_t dueUs = inTimes_[size_t(n - 1)];
        if (dueUs > nowUs)
            break;
        const QByteArray request = in_.left(n);
        dropFront(n);
        if (auto t = core_.respond(request))
            schedule(*t, dueUs);
    }
    if (!in_.isEmpty() && resync() == 0 && nowUs - lastArrivalUs_ >= kStaleUs) {
        in_.clear();
        inTimes_.clear();
    }
    QByteArray due;
    while (!out_.empty() && out_.front().dueUs <= nowUs) {
        due.append(out_.front().byte);
        out_.pop_front();
    }
    return due;
}

void Wire::schedule(const Transmission& t, int64_t atUs)
{
    const int64_t startUs = atUs + int64_t(t.delayMs) * 1000;
    for (int i = 0; i < int(t.bytes.size()); ++i) {
        const int64_t earliest = startUs + int64_t(i) * t.byteGapMs * 1000;
        // A byte is written once it has wholly crossed the line, after the byte before it.
        const int64_t dueUs = std::max(earliest, lineFreeUs_) + byteUs_;
        lineFreeUs_ = dueUs;
        out_.push_back({t.bytes[i], dueUs});
    }
}

std::optional<int64_t> Wire::nextDueUs() const
{
    std::optional<int64_t> next;
    auto consider = [&](int64_t t) { next = next ? std::min(*next, t) : t; };
    if (!out_.empty())
        consider(out_.front().dueUs);
    if (!in_.isEmpty()) {
        // service() has already resynchronised, so a whole valid head frame only waits for
        // its pacing; anything else waits for more bytes or goes stale.
        if (const int n = validFrameAt(0))
            consider(inTimes_[size_t(n - 1)]);
        else
            consider(lastArrivalUs_ + kStaleUs);
    }
    return next;
}

void Wire::drop()
{
    in_.clear();
    inTimes_.clear();
    out_.clear();
    lineFreeUs_ = 0;
    inLineFreeUs_ = 0;
}

} // namespace tk::sim
