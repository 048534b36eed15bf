#pragma once
// The progress gauge of the main tool bar, and the operation text in panel 0 of the main status
// bar, shown at a pace a person can read.
#include <QObject>
#include <QProgressBar>
#include <QString>

class QTimer;

namespace tk::manager {

class PanelStatusBar;

class Gauge : public QProgressBar {
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);
    // A maximum of 0 would turn the bar into a busy indicator; an empty bar is meant.
    void showProgress(int position, int maximum);
};

class OperationText : public QObject {
    Q_OBJECT
public:
    explicit OperationText(PanelStatusBar* bar);
    // The poll changes the text some forty times a second, faster than anyone reads it; the
    // panel shows a new text at once and then at most every kRepaintMs.
    void show(const QString& text);

private:
    static constexpr int kRepaintMs = 250;
    PanelStatusBar* bar_;
    QTimer* repaint_;
    QString pending_;
};

} // namespace tk::manager
