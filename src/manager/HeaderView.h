#pragma once
// The header panel above the tabs: the reader's firmware, its record counts and clock, and the
// PC's clock, mirrored from what the engine holds.
#include <QWidget>
#include <array>

class QDateTime;
class QLineEdit;

namespace tk::reader {
struct HeaderPanel;
}

namespace tk::manager {

class HeaderView : public QWidget {
    Q_OBJECT
public:
    explicit HeaderView(QWidget* parent = nullptr);

    void showHeader(const reader::HeaderPanel& header);
    void showPcClock(const QDateTime& now);
    // The panel's tint follows the desktop's button colour.
    void colour();

private:
    QLineEdit* EditVersion = nullptr;
    QLineEdit* EditBuild = nullptr;
    std::array<QLineEdit*, 6> counts_{}; // by Family: EditTelv_1 … Edit_ZKV
    QLineEdit* EditDate = nullptr;
    QLineEdit* EditTime = nullptr;
    QLineEdit* EditCompDate = nullptr;
    QLineEdit* EditCompTime = nullptr;
};

} // namespace tk::manager
