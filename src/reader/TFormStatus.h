#pragma once
// The status window: a status value and a meter model in, the decoded lines out. It is made at
// start, lives until exit and is shown without blocking the main window; the grids of the main
// window also use it without showing it, to get the text of their tooltips.
#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QSpinBox;

namespace tk::reader {

class TFormStatus : public QDialog {
    Q_OBJECT
public:
    explicit TFormStatus(QWidget* owner = nullptr);

    // Puts the value into the spin box (a value beyond its current bounds becomes the nearest
    // bound), selects the model (an index outside the list selects nothing) and rebuilds the text.
    // With bringToFront the window is also shown and given the focus.
    void ShowStatus(int value, int model, bool bringToFront);
    // Shows the window and gives it the focus; value and model stay as they are.
    void showAndFocus();

    // The decoded lines, joined by line breaks.
    QString text() const;

    QLabel* LabelStatus = nullptr;
    QSpinBox* SpinStatus = nullptr;
    QComboBox* ComboModel = nullptr;
    QPlainTextEdit* MemoStatus = nullptr;

private:
    void userChanged();
    void rebuild();
    bool settingByProgram_ = false;
};

} // namespace tk::reader
