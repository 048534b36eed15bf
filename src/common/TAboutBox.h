#pragma once
// The about box of both programs: name and version, our contact data with a clickable web page
// and e-mail address, the machine's physical memory and, in the reader manager, a group with the
// add-on's text and picture. Created once at start and shown modally from the "?" menu.
#include "common/AddOns.h"

#include <QDialog>
#include <QLabel>
#include <functional>
#include <optional>

class QGroupBox;
class QPushButton;

namespace tk {

struct MemoryStatus;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    enum class Program { Manager, Processing };

    // What the add-on gave for the box: its text and, when the text is not empty, its picture.
    struct AddOnGroup {
        QString text;
        addons::Badge badge;
    };
    // Asks the add-on in the order it expects: the text, then the picture only for a non-empty
    // text. Errors of the add-on pass through.
    static AddOnGroup addOnGroupFrom(const addons::Vormadd& vormadd);

    // The manager passes its add-on group (an empty text hides the group and shortens the box);
    // the data-processing program passes none and has no such group.
    explicit TAboutBox(Program program, const std::optional<AddOnGroup>& addOn = std::nullopt,
                       QWidget* parent = nullptr);

    // Where the memory figures come from; the system by default.
    void setMemorySource(std::function<std::optional<MemoryStatus>()> source);

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Label3 = nullptr; // web page
    QLabel* Label6 = nullptr; // e-mail
    QLabel* Image1 = nullptr;
    QLabel* LabelMemTotal = nullptr;
    QLabel* LabelMemAvailable = nullptr;
    QPushButton* OKButton = nullptr;
    QGroupBox* GroupAddOn = nullptr;
    QLabel* ImageAddOn = nullptr;
    QLabel* LabelAddOn = nullptr;

public slots:
    void Label3Click();
    void Label6Click();
    void FormActivate();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<std::optional<MemoryStatus>()> memory_;
};

} // namespace tk
