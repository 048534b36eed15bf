#pragma once
// The main window of the data-processing program, as a shell: it builds its parts (actions and
// menus, the filter panel, the five tabs), wires them to the route table and the local tables of
// the working directory, and runs the start-up and close sequences. Each part owns its controls
// and their handlers.
#include "processing/ProcessingSettings.h"
#include "processing/Reports.h"

#include <QDate>
#include <QMainWindow>
#include <memory>

class QAction;
class QTabWidget;
class QTableView;

namespace tk {
class Prompter;
namespace store {
class LocalSql;
}
} // namespace tk

namespace tk::processing {

class BalanceTab;
class CalcTab;
class FilterPanel;
class PointsTab;
class ProcessingActions;
class ReadingsTab;
class RouteTable;
class TextQuestion;
class TFormAddPoint;
class TFormBalance;
class TFormEditPoint;
class TFormMemo;
class TFormNoBalance;
class YearTab;

// What start-up takes from outside, so that tests can set it.
struct StartupOptions {
    QDate today; // invalid: the current date
};

enum Tab : int { TabPoints, TabCount, TabCalc, TabBalance, TabYear };

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    // prompter, question: where the questions to the user go; nullptr installs the message boxes
    // and the input box. Those passed in must outlive the window.
    explicit TFormMain(Prompter* prompter = nullptr, TextQuestion* question = nullptr, StartupOptions options = {},
                       QWidget* parent = nullptr);
    ~TFormMain() override;

    // The forms made after the main window (held, not owned).
    void setPointDialogs(TFormAddPoint* add, TFormEditPoint* edit);
    void setAboutBox(QDialog* about);
    // The balance dialogs; their actions are offered once they are there.
    void setBalanceDialogs(TFormBalance* balance, TFormNoBalance* noBalance, TFormMemo* memo);

    RouteTable& routeTable() { return *routes_; }
    store::LocalSql& sql() { return *sql_; }
    Prompter& prompter() { return *prompter_; }
    QAction* action(const char* name) const;
    QString helpFile() const { return helpFile_; }

    // The settings as the controls show them now.
    ProcessingSettings currentSettings() const;

    void LoadRouteList();
    void LoadStreets();
    void LoadHouses();
    void LoadBalanceList();
    void ActionRefreshExecute();

    // What the reports read when they start: the filter panel and the controls of the tabs.
    ReportInputs reportInputs() const;
    void ActionCountExecute();
    void ActionCalcExecute();
    void ActionCountYearExecute();
    void ActionBalanceExecute();
    void ActionCountBalanceExecute();
    void ActionNoBalanceExecute();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTabs();
    void applySettings(const ProcessingSettings& s);
    void saveSettings();
    void upgradeAccountColumn();
    void openHelp();
    // Runs one step of an operation; an error it raises is shown and the operation goes on.
    void reporting(const std::function<void()>& step);
    // Runs a report into its grid and shows what it computed, also when it failed part way.
    void runReport(QTableView* view, const char* excelAction, const std::function<void(ReportGrid&)>& compute);
    void exportReport(QTableView* view);
    // The gauge of the filter panel, repainted at once, as the long runs go on the UI thread.
    Progress gauge();

    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_ = nullptr;
    std::unique_ptr<TextQuestion> ownQuestion_;
    TextQuestion* question_ = nullptr;
    std::unique_ptr<store::LocalSql> sql_;
    std::unique_ptr<RouteTable> routes_;
    QString helpFile_;
    QDialog* about_ = nullptr;
    TFormBalance* balanceDialog_ = nullptr;
    TFormNoBalance* noBalanceDialog_ = nullptr;
    bool closed_ = false;

    ProcessingActions* actions_ = nullptr;
    FilterPanel* filter_ = nullptr;
    QTabWidget* PageControl1 = nullptr;
    PointsTab* pointsTab_ = nullptr;
    ReadingsTab* readingsTab_ = nullptr;
    CalcTab* calcTab_ = nullptr;
    BalanceTab* balanceTab_ = nullptr;
    YearTab* yearTab_ = nullptr;
};

} // namespace tk::processing
