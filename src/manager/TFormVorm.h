#pragma once
// The main window of the manager, as a shell: it builds its parts (actions and menus, header
// panel, the tabs, the port choice, the local-store actions), wires them to the exchange engine,
// and runs the start-up and close sequences. Each part owns its controls and their handlers.
#include "common/AddOns.h"
#include "common/Families.h"
#include "common/TAboutBox.h"
#include "manager/CommandLine.h"
#include "manager/ManagerSettings.h"
#include "reader/Engine.h"
#include "routes/Abbreviations.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

class QTabWidget;

namespace tk {
class Prompter;
namespace store {
class ReadingStore;
class ReadingViews;
} // namespace store
namespace reader {
class SerialChannel;
class QtTimerSource;
class SystemClock;
class TFormStatus;
} // namespace reader
namespace routes {
class RouteSources;
class RouteState;
class RouteTransfer;
class TFormAbbr;
class TFormAlternative;
class TFormRouteList;
} // namespace routes
} // namespace tk

namespace tk::manager {

class ExportActions;
class FamilyTab;
class Gauge;
class HeaderView;
class JournalTab;
class MainActions;
class OperationText;
class PanelStatusBar;
class PortChooser;
class RouteActions;
class RoutesTab;
class SettingsPage;
class StatusLink;
class StoreActions;
class TFormDelDate;
class TFormSelDir;

// What start-up takes from outside, so that tests can set it.
struct StartupOptions {
    QStringList arguments;     // the command line, the program path first
    QDateTime now;             // for the clock check; invalid: the current time
    QDateTime programFileTime; // invalid: the last modification of the program file
    // The add-on libraries bound at start, which must outlive the window; nullptr: the window
    // binds them itself from the program's folder (an Error naming what is missing).
    const addons::AddOns* addOns = nullptr;
};

// The tabs after the six family tabs, whose indices the families table gives.
enum Tab : int { TabRoutes = 6, TabJournal, TabDiary, TabDatabases, TabSettings };

// The tab an operation of the engine shows when it starts; -1 where it shows none.
int tabShownAtStart(reader::Operation operation, Family family);

class TFormVorm : public QMainWindow {
    Q_OBJECT
public:
    // prompter: where every question to the user goes; nullptr installs the message boxes.
    // A prompter passed in must outlive the window.
    explicit TFormVorm(Prompter* prompter = nullptr, StartupOptions options = {}, QWidget* parent = nullptr);
    ~TFormVorm() override;

    reader::Engine& engine() { return *engine_; }
    reader::SerialChannel& channel() { return *channel_; }
    Prompter& prompter() { return *prompter_; }
    bool debugMode() const { return commandLine_.debug; }
    QString helpFile() const { return helpFile_; }
    // The route list, name, number and task the route tab shows and the route chains use.
    routes::RouteState& routeState() { return *routeState_; }
    // The abbreviation lists the route files' meter types are mapped with (their dialog edits them).
    routes::Abbreviations& abbreviations() { return abbreviations_; }
    QAction* action(const QString& name) const;
    const addons::AddOns& addOns() const { return *addOns_; }

    // Around every reader operation: data and export actions off, then on by what the grids hold.
    void DisableExchangeActions();
    void EnableExchangeActions();
    static void SetWaitCursor(bool busy, QWidget* control);

    void ActionConnectExecute();
    void ActionDisconnectExecute();

    // The forms made after the main window; held weakly (once destroyed, the ways to them do
    // nothing). Until the status window is there, its menu item stays disabled.
    void setStatusWindow(reader::TFormStatus* window);
    void setDeleteDateDialog(TFormDelDate* dialog);
    void setRouteDialogs(routes::TFormRouteList* routeList, routes::TFormAlternative* alternative, routes::TFormAbbr* abbr);
    void setFolderChooser(TFormSelDir* dialog);
    // "&О программе" is offered while the about box is there, and shows it modally.
    void setAboutBox(TAboutBox* box);
    // A double-click on a row of a family's local-table grid: that row's STATUS text decoded.
    void ShowTableRowStatus(Family family, const QString& statusText);

    // The local reading store of the working directory the program was started in, and the
    // read-only views of its five tables that the local-table grids show.
    store::ReadingStore& readingStore() { return *store_; }
    store::ReadingViews& readingViews() { return *views_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTabs();
    void connectEngine();
    void applyReaderActions(bool on);
    void showHeader();
    void showTick(const QDateTime& now);
    void setLinkControls(bool up);

    void loadSettings();
    void saveSettings();
    void checkClock(const StartupOptions& options);
    void runCloseSequence();
    void writeExchangeLog();
    void openHelp();

    // The exchange machinery; the engine is declared last so that it goes first.
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_ = nullptr;
    addons::AddOns ownAddOns_;
    const addons::AddOns* addOns_ = nullptr;
    std::unique_ptr<reader::SerialChannel> channel_;
    std::unique_ptr<reader::QtTimerSource> timers_;
    std::unique_ptr<reader::SystemClock> clock_;
    std::unique_ptr<reader::Engine> engine_;
    std::unique_ptr<store::ReadingStore> store_;
    std::unique_ptr<store::ReadingViews> views_;
    routes::Abbreviations abbreviations_;
    std::unique_ptr<routes::RouteState> routeState_;
    std::unique_ptr<routes::RouteSources> routeSources_;

    CommandLine commandLine_;
    QString helpFile_;
    std::unique_ptr<QStringList> exchangeLog_;
    ManagerSettings settings_; // as read at start; what the window does not show is written back as read

    // The parts, owned by the window through Qt's parent chain.
    MainActions* actions_ = nullptr;
    PortChooser* ports_ = nullptr;
    Gauge* Gauge1 = nullptr;
    HeaderView* header_ = nullptr;
    QTabWidget* PageControl1 = nullptr;
    std::array<FamilyTab*, 6> familyTabs_{};
    RoutesTab* routesTab_ = nullptr;
    JournalTab* journalTab_ = nullptr;
    JournalTab* diaryTab_ = nullptr;
    SettingsPage* settingsPage_ = nullptr;
    PanelStatusBar* StatusBar1 = nullptr;
    OperationText* operationText_ = nullptr;
    StatusLink* statusLink_ = nullptr;
    StoreActions* storeActions_ = nullptr;
    routes::RouteTransfer* routeTransfer_ = nullptr;
    RouteActions* routeActions_ = nullptr;
    ExportActions* exportActions_ = nullptr;
    QAction* aboutItem_ = nullptr;
    QPointer<TAboutBox> about_;
    bool closed_ = false;
    std::optional<bool> spreadsheetAvailable_;
};

} // namespace tk::manager
