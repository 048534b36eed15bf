#pragma once
// A status bar of fixed-width text panels, addressed by index as the rest of the program does.
#include <QStatusBar>
#include <vector>

class QLabel;

namespace tk::manager {

class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // One panel per width; the last panel also takes what room is left.
    PanelStatusBar(const QString& objectName, std::vector<int> widths, QWidget* parent = nullptr);

    int panelCount() const { return int(panels_.size()); }
    QString panelText(int i) const;
    void setPanelText(int i, const QString& text);
    QString panelToolTip(int i) const;
    void setPanelToolTip(int i, const QString& text);

private:
    std::vector<QLabel*> panels_;
};

} // namespace tk::manager
