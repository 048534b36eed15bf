#pragma once
// The main window's actions, menus and the tabs' vertical tool bars: every action made once
// from the action table, found by name, and placed into the menus and tool bars.
#include <QHash>
#include <QObject>
#include <QString>
#include <initializer_list>
#include <vector>

class QAction;
class QMainWindow;
class QToolBar;

namespace tk::processing {

struct ActionInfo {
    const char* name;       // objectName
    const char16_t* caption; // with its & accelerator
    const char16_t* hint;
    bool enabledAtStart;
};

const std::vector<ActionInfo>& actionTable();

class ProcessingActions : public QObject {
    Q_OBJECT
public:
    // The actions are children of the window, so that findChild finds them by name there.
    explicit ProcessingActions(QMainWindow* window);

    QAction* action(const char* name) const { return actions_.value(QString::fromLatin1(name)); }

    // A tab's vertical tool bar with the named actions, their captions under their icons.
    QToolBar* verticalToolBar(const QString& name, std::initializer_list<const char*> actionNames) const;

    // The menu bar. Its items that are not actions of the table are handed back to their owners.
    struct MenuItems {
        QAction* exit = nullptr;
        QAction* help = nullptr;
        QAction* about = nullptr;
    };
    MenuItems buildMenus();

private:
    QMainWindow* window_;
    QHash<QString, QAction*> actions_;
};

} // namespace tk::processing
