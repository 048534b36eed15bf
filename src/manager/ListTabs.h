#pragma once
// The tabs of the reader's lists: the journal and the diary (a grid each, with the record count
// of the reader in panel 0) and the list of the reader's databases.
#include <QWidget>

class QTableView;

namespace tk {
class TextGrid;
class TextList;
} // namespace tk

namespace tk::manager {

class MainActions;
class PanelStatusBar;

class JournalTab : public QWidget {
    Q_OBJECT
public:
    // diary: the diary's tab, otherwise the journal's.
    JournalTab(bool diary, TextGrid& grid, const MainActions& actions, QWidget* parent = nullptr);
    void showReaderCount(const QString& count);

private:
    PanelStatusBar* statusBar_ = nullptr;
};

class DatabasesTab : public QWidget {
    Q_OBJECT
public:
    explicit DatabasesTab(TextList& databases, QWidget* parent = nullptr);
};

} // namespace tk::manager
