#include "manager/ExportActions.h"

#include "common/AddOns.h"
#include "common/Error.h"
#include "common/Prompter.h"
#include "manager/ActionRules.h"
#include "manager/Gauge.h"
#include "manager/MainActions.h"
#include "manager/ManagerSettings.h"
#include "manager/TLogin.h"
#include "manager/WaitCursor.h"
#include "reader/Engine.h"
#include "store/export/DbmsConnection.h"
#include "store/export/DbmsExport.h"
#include "store/export/TextExport.h"

#include <QAction>
#include <QDialog>

namespace tk::manager {

namespace {

// The window's prompter, with the hourglass lifted while it asks.
class LiftingPrompter : public Prompter {
public:
    LiftingPrompter(Prompter& inner, Busy& busy) : inner_(inner), busy_(busy) {}

    Answer message(const QString& title, const QString& text, Icon icon, Buttons buttons) override
    {
        return busy_.lifted([&] { return inner_.message(title, text, icon, buttons); });
    }
    QString openFile(const QString& title, const QString& filter) override
    {
        return busy_.lifted([&] { return inner_.openFile(title, filter); });
    }
    QString saveFile(const QString& title, const QString& filter, const QString& suggested) override
    {
        return busy_.lifted([&] { return inner_.saveFile(title, filter, suggested); });
    }
    QStringList openFiles(const QString& title, const QString& filter) override
    {
        return busy_.lifted([&] { return inner_.openFiles(title, filter); });
    }

private:
    Prompter& inner_;
    Busy& busy_;
};

} // namespace

ExportActions::ExportActions(reader::Engine& engine, const addons::AddOns& addOns, const MainActions& actions,
                             Prompter& prompter, Gauge& gauge, QWidget* window)
    : QObject(window), engine_(engine), vormadd_(*addOns.vormadd), vormadddb_(*addOns.vormadddb), prompter_(prompter),
      gauge_(gauge), window_(window), dbms_(std::make_unique<store::DbmsConnection>())
{
    for (const FamilyInfo& info : kFamilies) {
        const Family f = info.family;
        const FamilyActionNames& a = kFamilyActions[size_t(f)];
        if (a.text)
            connect(actions.action(a.text), &QAction::triggered, this, [this, f] { ActionExpExecute(f); });
        connect(actions.action(a.excel), &QAction::triggered, this, [this, f] { ActionExportExecute(f); });
        if (a.db)
            connect(actions.action(a.db), &QAction::triggered, this, [this, f] { ActionDbExecute(f); });
    }
    connect(actions.action("ActionExportJournal"), &QAction::triggered, this, &ExportActions::ActionExportJournalExecute);
    connect(actions.action("ActionExportDiary"), &QAction::triggered, this, &ExportActions::ActionExportDiaryExecute);
}

ExportActions::~ExportActions() = default;

void ExportActions::ActionExpExecute(Family family)
{
    report([this, family] {
        Busy busy(window_);
        LiftingPrompter prompter(prompter_, busy);
        store::FolderChooser chooseFolder;
        if (selDir_)
            chooseFolder = [this, &busy]() -> std::optional<QString> {
                const bool ok = busy.lifted([this] { return selDir_ && selDir_->exec() == QDialog::Accepted; });
                if (!ok)
                    return std::nullopt;
                return selDir_->directory();
            };
        store::exportFamilyText(family, engine_.familyGrid(int(family)), vormadd_, prompter, chooseFolder);
    });
}

void ExportActions::ActionExportExecute(Family family)
{
    report([this, family] {
        Busy busy(window_);
        store::exportFamilySheet(engine_.familyGrid(int(family)));
    });
}

void ExportActions::ActionExportJournalExecute()
{
    report([this] {
        Busy busy(window_);
        store::exportJournalSheet(engine_.journalGrid());
    });
}

void ExportActions::ActionExportDiaryExecute()
{
    report([this] {
        Busy busy(window_);
        store::exportDiarySheet(engine_.diaryGrid());
    });
}

void ExportActions::ActionDbExecute(Family family)
{
    report([this, family] {
        struct GaugeBack {
            Gauge& g;
            ~GaugeBack() { g.showProgress(0, 0); }
        } back{gauge_};
        Busy busy(window_);
        LiftingPrompter prompter(prompter_, busy);
        // The login asks through the window's own prompter: the hourglass is already lifted.
        const store::LoginAsker askLogin = [this, &busy](store::DbmsConnection& connection) {
            busy.lifted([&] {
                TLogin login(connection, prompter_, window_);
                return login.exec();
            });
        };
        const auto progress = [this](int position, int maximum) {
            gauge_.showProgress(position, maximum);
            gauge_.repaint();
        };
        store::exportToDbms(family, engine_.familyGrid(int(family)), vormadddb_, *dbms_, prompter, askLogin, progress);
    });
}

void ExportActions::report(const std::function<void()>& exportRun)
{
    try {
        exportRun();
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message());
    }
}

} // namespace tk::manager
