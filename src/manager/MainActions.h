#pragma once
// The main window's actions, menus and tool bars: every action of the action table made once,
// found by name, switched by name lists (applyStates), and placed into the menus, the main tool
// bar and the tabs' vertical tool bars.
#include "manager/ActionRules.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <initializer_list>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

namespace tk::manager {

class MainActions : public QObject {
    Q_OBJECT
public:
    // The actions are children of the window, so that findChild finds them by name there.
    explicit MainActions(QMainWindow* window);

    QAction* action(const QString& name) const { return actions_.value(name); }
    QAction* action(const char* name) const { return action(QString::fromLatin1(name)); }

    // Enables or disables each named action; a name that is no action is a control of the window
    // (the route number spin box).
    void applyStates(const ActionStates& states) const;

    // A tab's vertical tool bar with the named actions (nullptr entries skipped).
    QToolBar* verticalToolBar(const QString& name, std::initializer_list<const char*> actionNames) const;

    // The main tool bar: port choice, link, clock, database list, progress gauge.
    void buildToolBar(QWidget* portChoice, QWidget* gauge);

    // The menu bar. Its items that are not actions of the table are handed back to their owners.
    struct MenuItems {
        QMenu* port = nullptr;       // "Ридер" → "Порт"
        QAction* status = nullptr;   // "Ридер" → the status window
        QAction* exit = nullptr;
        QAction* help = nullptr;
        QAction* about = nullptr;
    };
    MenuItems buildMenus();

private:
    QMainWindow* window_;
    QHash<QString, QAction*> actions_;
};

} // namespace tk::manager
