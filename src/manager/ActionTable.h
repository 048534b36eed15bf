#pragma once
// Caption, hint and start state of every action of the main window.
#include <QString>
#include <vector>

namespace tk::manager {

struct ActionInfo {
    QString name;    // objectName
    QString caption; // with its & accelerator
    QString hint;
    bool enabledAtStart = false;
};

// The per-family actions first (family by family), then the others.
const std::vector<ActionInfo>& actionTable();

} // namespace tk::manager
