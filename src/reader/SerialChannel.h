#pragma once
// The Qt glue of the serial link: QSerialPort as a ReaderPort, QTimer as the timer source, the
// system clock. Receive and error events of the port are handed to the engine on the UI thread.
#include "reader/ReaderPort.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>

class QSerialPort;
class QTimer;

namespace tk::reader {

class Engine;

class SerialChannel : public QObject, public ReaderPort {
    Q_OBJECT
public:
    explicit SerialChannel(QObject* parent = nullptr);
    ~SerialChannel() override;

    // Port choice: a number opens "COM" + number; a device path (set last) opens that path.
    void setPortNumber(int number);
    int portNumber() const { return number_; }
    void setDevice(const QString& device);
    QString device() const; // what open() will open

    // The receive handler: attached when the link is established, detached before close.
    void attach(Engine* engine) { engine_ = engine; }
    void detach() { engine_ = nullptr; }

    void open() override;
    void close() noexcept override;
    void setParity(Parity parity) override;
    void write(const QByteArray& bytes) override;
    void expect(int bytes) override;
    bool isOpen() const;

private:
    void onReadyRead();
    QSerialPort* port_;
    Engine* engine_ = nullptr;
    int number_ = 1;
    QString device_;
};

class QtTimerSource : public QObject, public TimerSource {
    Q_OBJECT
public:
    explicit QtTimerSource(QObject* parent = nullptr);
    void setHandler(std::function<void(TimerId)> handler) { handler_ = std::move(handler); }
    void start(TimerId id, int ms) override;
    void stop(TimerId id) override;

private:
    std::array<QTimer*, 3> timers_{};
    std::function<void(TimerId)> handler_;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace tk::reader
