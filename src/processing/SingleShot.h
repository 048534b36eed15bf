#pragma once
// A restartable one-shot timer behind a small interface, so that the dialogs' delayed checks run
// on a real timer in the program and on a manual clock in tests.
#include <QObject>
#include <functional>

class QTimer;

namespace tk::processing {

class SingleShot {
public:
    virtual ~SingleShot() = default;
    // (Re)starts the countdown; a running one is replaced.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    void setHandler(std::function<void()> h) { handler_ = std::move(h); }

protected:
    void fire()
    {
        if (handler_)
            handler_();
    }

private:
    std::function<void()> handler_;
};

class QtSingleShot : public QObject, public SingleShot {
    Q_OBJECT
public:
    explicit QtSingleShot(QObject* parent = nullptr);
    void start(int ms) override;
    void stop() override;
    bool isActive() const override;

private:
    QTimer* timer_;
};

} // namespace tk::processing
