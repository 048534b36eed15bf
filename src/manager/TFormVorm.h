#pragma once
// The main window of the manager: tool bar with the port choice and the progress gauge, the
// header panel mirroring the reader, the tabs of the meter families, routes, journal, diary,
// database list and reader settings, and the wiring of the exchange engine to all of it.
#include "manager/CommandLine.h"
#include "manager/ManagerSettings.h"

#include "common/Families.h"
#include "reader/PortList.h"
#include "reader/TFormStatus.h"

#include <QDateTime>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QHelpEvent;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QPoint;
class QProgressBar;
class QSpinBox;
class QSplitter;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTimeEdit;
class QTimer;
class QToolBar;

namespace tk {
class Prompter;
class TextGridModel;
namespace store {
class ReadingStore;
class ReadingViews;
} // namespace store
namespace reader {
class Engine;
class SerialChannel;
class QtTimerSource;
class SystemClock;
} // namespace reader
} // namespace tk

namespace tk::manager {

class PanelStatusBar;
class StreetListModel;
class TFormDelDate;

// The program's name as the user sees it: application title and main window caption.
QString applicationTitle();

// What start-up takes from outside, so that tests can set it.
struct StartupOptions {
    QStringList arguments;     // the command line, the program path first
    QDateTime now;             // for the clock check; invalid: the current time
    QDateTime programFileTime; // invalid: the last modification of the program file
};

// Tab indices; other operations switch to them when they start.
enum Tab : int {
    TabTelv1, TabTelv2, TabVakl4, TabVaklDr, TabVaklPdr, TabZkv,
    TabRoutes, TabJournal, TabDiary, TabDatabases, TabSettings,
};

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
    // Route names or route files of the task command.
    QStringList& taskList() { return taskList_; }
    const reader::PortList& portList() const { return portList_; }
    QAction* action(const QString& name) const { return actions_.value(name); }
    int routeRowCount() const;

    // Around every reader operation: data and export actions off, then on by what the grids hold.
    void DisableExchangeActions();
    void EnableExchangeActions();
    static void SetWaitCursor(bool busy, QWidget* control);

    // Port choice (only while the link is down; both controls are disabled while it is up).
    void PortClick(int item);
    void ComboPortChange(int line);

    void ActionConnectExecute();
    void ActionDisconnectExecute();

    // The status window the menu item and the status cells lead to. It is made after the main
    // window, so it is handed in; until then the menu item stays disabled. It is held weakly:
    // once destroyed, the ways to it do nothing.
    void setStatusWindow(reader::TFormStatus* window);
    reader::TFormStatus* statusWindow() const { return statusWindow_; }
    // A double-click on a row of a family's local-table grid: that row's STATUS text (blank
    // counts as 0) decoded with the family's model, the window brought to the front. The grid
    // calls it only while its table is open and on a row.
    void ShowTableRowStatus(Family family, const QString& statusText);

    // The delete-date dialog the erase actions ask, made after the main window and held weakly
    // like the status window; without it an erase does nothing.
    void setDeleteDateDialog(TFormDelDate* dialog);

    // The local reading store of the working directory the program was started in, and the
    // read-only views of its five tables that the local-table grids show.
    store::ReadingStore& readingStore() { return *store_; }
    store::ReadingViews& readingViews() { return *views_; }

    // The store operations of a family's actions (ActionWrite_*, ActionErase_*, ActionClear_*)
    // and the Delete key on its reader-data grid.
    void ActionWriteExecute(Family family);
    void ActionEraseExecute(Family family);
    void ActionClearExecute(Family family);
    void DeleteGridRecord(Family family);

    // Controls other operations reach by name.
    QComboBox* ComboPort = nullptr;
    QMenu* NPort = nullptr;
    QProgressBar* Gauge1 = nullptr;
    QLineEdit *EditVersion = nullptr, *EditBuild = nullptr;
    QLineEdit *EditTelv_1 = nullptr, *EditTelv_2 = nullptr, *EditVakl_4 = nullptr, *EditVaklDr = nullptr,
              *EditVaklPdr = nullptr, *Edit_ZKV = nullptr;
    QLineEdit *EditDate = nullptr, *EditTime = nullptr, *EditCompDate = nullptr, *EditCompTime = nullptr;
    QTabWidget* PageControl1 = nullptr;
    PanelStatusBar* StatusBar1 = nullptr;
    std::array<PanelStatusBar*, 6> familyStatusBars{};       // StatusBar2, 3, 8, 7, 10, 11
    std::array<QTableView*, 6> StringGrids{};                // StringGrid1 … StringGrid6
    std::array<QTableView*, 5> DBGrids{};                    // DBGrid1 … DBGrid5
    QTableView *GridJournal = nullptr, *GridDiary = nullptr;
    PanelStatusBar *StatusBar4 = nullptr, *StatusBar5 = nullptr, *StatusBar6 = nullptr;
    QSpinBox* SpinRoute = nullptr;
    QLineEdit* EditRoute = nullptr;
    QTableView *ListRoute = nullptr, *ListStreet = nullptr, *ListDb = nullptr;
    QStandardItemModel* routeModel = nullptr;
    // Settings page.
    std::array<QComboBox*, kZones> ComboTarif{};
    std::array<QTimeEdit*, kZones> TimeZone{};
    QCheckBox *CheckOneTarif = nullptr, *CheckSummer = nullptr;
    QSpinBox *SpinCountDay = nullptr, *SpinCountHour = nullptr;
    std::array<QCheckBox*, 4> CheckIndi{}; // bit 0 … bit 3
    QLineEdit* EditPassword = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The tooltips of the status cells (on the viewports of StringGrid1 … StringGrid5).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* makeAction(const QString& name, const QString& caption, const QString& hint, bool enabled);
    void createActions();
    void createMenus();
    void createToolBar();
    QWidget* createHeaderPanel();
    void colourHeaderPanel();
    QWidget* createFamilyTab(int family);
    QWidget* createRoutesTab();
    QWidget* createJournalTab(bool diary);
    QWidget* createDatabasesTab();
    QWidget* createSettingsTab();
    QToolBar* verticalToolBar(const QString& name, const QList<const char*>& actionNames);
    void connectEngine();

    // The status link of a reader-data grid: its status column + 32 × its status model.
    void linkStatusCells(QTableView* grid, Family family);
    // The value of the cell when it is the grid's status cell, else 0.
    static int statusCellValue(const QTableView* grid, const QModelIndex& index);
    static int statusModelOf(const QTableView* grid);
    void statusCellHovered(QTableView* grid, const QPoint& pos);
    void statusCellTipWanted(QTableView* grid, QHelpEvent* event);
    void statusCellDoubleClicked(QTableView* grid, const QModelIndex& index);
    void tableRowDoubleClicked(Family family, const QModelIndex& index);

    void connectStoreActions();
    void applyTableColumnWidths(Family family);
    // Opens a family's table view and shows its row count in panel 1 of the tab's status bar
    // (nothing, with the reason as the panel's tip, when the table cannot be opened).
    void openReadingTable(Family family);

    void loadSettings();
    void saveSettings();
    void applySettingsToControls(const ManagerSettings& s);
    void collectSettingsFromControls(ManagerSettings& s) const;
    void buildPortList(int selected, const QString& selectedDevice);
    void choosePortItem(int item);
    void checkClock(const StartupOptions& options);
    void runCloseSequence();
    void writeExchangeLog();
    void openHelp();

    void applyStates(const std::vector<std::pair<QString, bool>>& states);
    void applyReaderActions(bool on);
    void showHeader();
    void showTick(const QDateTime& now);
    void showGauge(int position, int maximum);
    void setLinkControls(bool up);
    // The settings page and the engine's copy of the reader settings: the page edits it, a
    // settings read replaces it and the page shows the result.
    void takeReaderSettings();
    void showReaderSettings();

    // The exchange machinery; the engine is declared last so that it goes first.
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_ = nullptr;
    std::unique_ptr<reader::SerialChannel> channel_;
    std::unique_ptr<reader::QtTimerSource> timers_;
    std::unique_ptr<reader::SystemClock> clock_;
    std::unique_ptr<reader::Engine> engine_;
    std::unique_ptr<store::ReadingStore> store_;
    std::unique_ptr<store::ReadingViews> views_;
    QPointer<TFormDelDate> delDate_;
    // The engine's record count of a grid when the grid was emptied here: the engine keeps its
    // last count, which panel 0 must not show again while the grid stays empty.
    std::array<std::optional<QString>, 6> clearedCounts_;

    CommandLine commandLine_;
    QString helpFile_;
    QStringList taskList_;
    std::unique_ptr<QStringList> exchangeLog_;
    ManagerSettings settings_; // as read at start; what the window does not show is written back as read

    QHash<QString, QAction*> actions_;
    QActionGroup* portGroup_ = nullptr;
    QList<QAction*> portItems_;
    reader::PortList portList_;
    QString chosenDevice_; // the device of the port choice when it is not "COM" + n

    std::array<QSplitter*, 5> gridSplitters_{};
    std::array<int, 5> gridHeights_{kDefaultGridHeight, kDefaultGridHeight, kDefaultGridHeight, kDefaultGridHeight,
                                    kDefaultGridHeight};
    QWidget* headerPanel_ = nullptr;
    StreetListModel* streetModel_ = nullptr;
    bool showingReaderSettings_ = false;
    // The poll changes the operation text some forty times a second, faster than anyone reads
    // it; the panel shows a new text at once and then at most every kStatusRepaintMs.
    static constexpr int kStatusRepaintMs = 250;
    QTimer* statusRepaint_ = nullptr;
    QString pendingStatus_;
    void showStatusText(const QString& text);
    QAction* statusItem_ = nullptr; // "Ридер" → the status window
    QPointer<reader::TFormStatus> statusWindow_;
    bool closed_ = false;
};

} // namespace tk::manager
