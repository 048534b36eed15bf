#include "reader/SerialChannel.h"

#include "reader/Engine.h"
#include "common/Error.h"

#include <QSerialPort>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <termios.h>
#include <unistd.h>
#endif

namespace tk::reader {

SerialChannel::SerialChannel(QObject* parent) : QObject(parent), port_(new QSerialPort(this))
{
    connect(port_, &QSerialPort::readyRead, this, &SerialChannel::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // Only line errors while the link is up go to the exchange log; open and control-line
        // failures are reported where they happen.
        if (engine_ && port_->isOpen() && e != QSerialPort::NoError && e != QSerialPort::UnsupportedOperationError
            && e != QSerialPort::TimeoutError)
            engine_->onLineError(int(e));
    });
}

SerialChannel::~SerialChannel()
{
    close();
}

void SerialChannel::setPortNumber(int number)
{
    number_ = number;
}

void SerialChannel::setDevice(const QString& device)
{
    device_ = device;
}

QString SerialChannel::device() const
{
    if (!device_.isEmpty())
        return device_;
#ifdef Q_OS_WIN
    return QStringLiteral("COM") + QString::number(number_);
#else
    // The first serial port of a PC is COM1 elsewhere and ttyS0 here.
    return QStringLiteral("/dev/ttyS") + QString::number(number_ - 1);
#endif
}

bool SerialChannel::isOpen() const
{
    return port_->isOpen();
}

void SerialChannel::open()
{
    if (port_->isOpen())
        return;
    port_->setPortName(device());
    port_->setBaudRate(QSerialPort::Baud9600);
    port_->setDataBits(QSerialPort::Data8);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setParity(QSerialPort::MarkParity);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::ReadWrite)) {
        const QString reason = port_->errorString();
        port_->clearError();
        throw Error(device() + QStringLiteral(": ") + reason);
    }
    // The reader needs DTR and RTS inactive. A line that has no modem controls (a pseudo-terminal,
    // some adapters) refuses the request; that does not make the port unusable.
    port_->setDataTerminalReady(false);
    port_->setRequestToSend(false);
    port_->clearError();
}

void SerialChannel::close() noexcept
{
    try {
        if (port_->isOpen())
            port_->close();
        port_->clearError();
    } catch (...) {
    }
}

void SerialChannel::setParity(Parity parity)
{
    if (!port_->isOpen())
        return;
    port_->setParity(parity == Parity::Mark ? QSerialPort::MarkParity : QSerialPort::SpaceParity);
}

void SerialChannel::write(const QByteArray& bytes)
{
    if (!port_->isOpen())
        throw Error(device() + QStringLiteral(": порт закрыт"));
#ifdef Q_OS_UNIX
    // Straight to the device: the bytes are with the system when this returns, before the
    // parity switch that follows, and no write notifier wakes the program afterwards.
    if (port_->bytesToWrite() == 0) {
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(int(port_->handle()), bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                throw Error(device() + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno)));
            // The output buffer is full: the rest goes through the port's own queue.
            if (port_->write(bytes.mid(int(done))) != bytes.size() - done)
                throw Error(device() + QStringLiteral(": ") + port_->errorString());
            port_->flush();
            return;
        }
        return;
    }
#endif
    if (port_->write(bytes) != bytes.size())
        throw Error(device() + QStringLiteral(": ") + port_->errorString());
    // Hand the bytes to the system now: the parity switch that follows must not overtake them.
    port_->flush();
}

void SerialChannel::expect(int bytes)
{
#ifdef Q_OS_UNIX
    // With VTIME 0, poll() reports the line readable only once VMIN bytes are waiting: one wake-up
    // for a reply instead of one for every byte that trickles in at 9600 baud. Bytes that never
    // reach the count are left to the reply time-out, which would have repeated the request anyway.
    if (!port_->isOpen())
        return;
    const int fd = int(port_->handle());
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return;
    const cc_t min = cc_t(std::clamp(bytes, 1, 255));
    if (tio.c_cc[VMIN] == min && tio.c_cc[VTIME] == 0)
        return;
    tio.c_cc[VMIN] = min;
    tio.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &tio);
#else
    Q_UNUSED(bytes);
#endif
}

void SerialChannel::onReadyRead()
{
    const QByteArray bytes = port_->readAll();
    if (engine_)
        engine_->onReceived(bytes);
}

QtTimerSource::QtTimerSource(QObject* parent) : QObject(parent)
{
    for (size_t i = 0; i < timers_.size(); ++i) {
        auto* t = new QTimer(this);
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        connect(t, &QTimer::timeout, this, [this, i] {
            if (handler_)
                handler_(static_cast<TimerId>(i));
        });
        timers_[i] = t;
    }
}

void QtTimerSource::start(TimerId id, int ms)
{
    timers_[size_t(id)]->start(ms);
}

void QtTimerSource::stop(TimerId id)
{
    timers_[size_t(id)]->stop();
}

} // namespace tk::reader
