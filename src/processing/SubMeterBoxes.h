#pragma once
// Five headed boxes of meter numbers, one per meter type, each with its line count below it:
// the sub-meters of a balance group, or the meters outside every group.
#include "processing/MeterTypes.h"

#include <QWidget>
#include <array>

class QLabel;
class QPlainTextEdit;

namespace tk::processing {

class SubMeterBoxes : public QWidget {
    Q_OBJECT
public:
    explicit SubMeterBoxes(QWidget* parent = nullptr);
    std::array<QPlainTextEdit*, kTypeCount> boxes{};
    std::array<QLabel*, kTypeCount> counts{};
};

} // namespace tk::processing
