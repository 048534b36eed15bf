#pragma once
// The exchange engine: one request at a time, driven by a single step number. It is a state
// machine fed with events (bytes received, a timer fired, an action started) that acts through
// ReaderPort, TimerSource and Clock and tells the window what changed through its signals.
// No I/O of its own: tests run it with a scripted port and a manual clock.
#include "common/Families.h"
#include "common/Regional.h"
#include "common/TextGrid.h"
#include "common/TextList.h"
#include "reader/Chain.h"
#include "reader/Databases.h"
#include "reader/Frame.h"
#include "reader/ReaderLists.h"
#include "reader/ReaderPort.h"
#include "reader/ReaderSettings.h"
#include "reader/StreetList.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <vector>

namespace tk {
class Prompter;
}

namespace tk::reader {

inline constexpr int kReplyTimeoutMs = 1500;
inline constexpr int kSendSplitMs = 10;
inline constexpr int kTickMs = 500;

// The poll's steps and the street read it may lead into.
enum Step : int {
    StepVersion = 1,
    StepCountTelv1 = 2,
    StepCountTelv2 = 3,
    StepCountVakl4 = 4,
    StepCountVaklDr = 5,
    StepCountVaklPdr = 6,
    StepCountZkv = 7,
    StepCountStreets = 8,
    StepClock = 9,
    StepSetClock = 10,
    StepWriteTariffs = 70,
    StepWriteBillingDay = 71,
    StepWriteSummer = 72,
    StepWriteDisplay = 73,
    StepWritePassword = 74,
    StepReadTariffs = 80,
    StepReadBillingDay = 81,
    StepReadSummer = 82,
    StepReadDisplay = 83,
    StepReadPassword = 84,
    StepJournalCount = 120,
    StepJournalFirst = 121,
    StepJournalNext = 122,
    StepJournalClear = 130,
    StepDiaryCount = 140,
    StepDiaryFirst = 141,
    StepDiaryNext = 142,
    StepDiaryClear = 150,
    StepListName = 160,
    StepListCount = 161,
    StepStreetFirst = 180,
    StepStreetNext = 181,
    StepStreetClock = 182,
    StepStreetClear = 183,
};

// The operations the engine runs itself, as it announces them when one starts; the window decides
// from them what to show.
enum class Operation {
    ClockSync,
    ReadFamily,
    ClearFamily,
    WriteSettings,
    ReadSettings,
    ReadJournal,
    ClearJournal,
    ReadDiary,
    ClearDiary,
    ReadList,
    ClearStreets,
};

// What the header panel shows; the window mirrors it into its fields.
struct HeaderPanel {
    QString version;                 // EditVersion
    QString build;                   // EditBuild
    std::array<QString, 6> counts;   // by Family: EditTelv_1, EditTelv_2, EditVakl_4, EditVaklDr, EditVaklPdr, Edit_ZKV
    bool pdrZkvEnabled = true;       // EditVaklPdr and Edit_ZKV are disabled below firmware 6.01
    QString readerDate;              // EditDate
    QString readerTime;              // EditTime
    QString journalCount;            // panel 0 of the journal tab's status bar
    QString diaryCount;              // panel 0 of the diary tab's status bar
    std::array<QString, 6> gridCounts; // by Family: records in the reader-data grid (panel 0 of its tab)

    bool operator==(const HeaderPanel&) const = default;
};

// The steps of a family's read and clear.
struct FamilySteps {
    Family family;
    int first, next, clock, name, clear; // name: -1 where the family has no route column
};
const FamilySteps& familySteps(Family f);

class Engine : public QObject {
    Q_OBJECT
public:
    Engine(ReaderPort& port, TimerSource& timers, Clock& clock, Prompter& prompter, QObject* parent = nullptr);
    ~Engine() override;

    // Debug mode: the exchange log the window owns and writes at exit; nullptr for none.
    void setExchangeLog(QStringList* log) { log_ = log; }
    QStringList* exchangeLog() const { return log_; }

    // ActionConnectExecute: opens the port and starts the poll. An open failure throws an Error
    // with the system's reason; the link stays down.
    void connectLink();
    // ActionDisconnectExecute: from any step, in the middle of a chain too.
    void disconnectLink();
    bool linkUp() const { return linkUp_; }

    // A chain starts by setting its first step; the engine sends it after the outstanding reply.
    void setStepNo(int step) { stepNo_ = step; }
    int stepNo() const { return stepNo_; }

    // Plugs in a chain another subsystem owns; it must outlive the engine's use of it.
    void addChain(Chain& chain) { chains_.push_back(&chain); }
    // What every chain start does before its first step: the reader actions off and, for the
    // chains that fill grids or lists, the data and export actions off too.
    void prepareChain(bool disableExchangeActions);

    // Chain-starting actions. Each asks its confirmation first where it has one (Cancel changes
    // nothing), prepares its controls and sets its first step; nothing is sent from here.
    void startClockSync();      // ActionTime
    void startWriteSettings();  // ActionWriteTarif
    void startReadSettings();   // ActionReadTarif
    void startReadJournal();    // ActionReadJournal
    void startClearJournal();   // ActionClearJournal
    void startReadDiary();      // ActionReadDiary
    void startClearDiary();     // ActionClearDiary
    void startReadList();       // ActionReadList
    void startClearStreets();   // ActionFormatStreet
    void startReadFamily(Family f);  // ActionTelv_1 … ActionZKV
    void startClearFamily(Family f); // ActionFormat_1 … ActionFormat_ZKV

    // Events.
    void onReceived(const QByteArray& bytes); // the bytes of one receive event
    void onLineError(int flags);
    void onTimer(TimerId id);
    // Starts the always-running 500 ms tick (the window calls it once it is ready).
    void startTicking();

    // State shared with the window and the chains.
    const HeaderPanel& header() const { return header_; }
    Prompter& prompter() { return prompter_; }
    int firmwareWord() const { return firmwareWord_; }
    bool clockDue() const { return clockDue_; }
    int workIndex() const { return workIndex_; }
    void setWorkIndex(int i) { workIndex_ = i; }
    const DbNames& dbNames() const { return dbNames_; }
    StreetList& streets() { return streets_; }
    const StreetList& streets() const { return streets_; }
    bool readerActionsOn() const { return readerActionsOn_; }
    QString statusText() const { return statusText_; }
    int gaugePosition() const { return gaugePos_; }
    int gaugeMaximum() const { return gaugeMax_; }
    void setGauge(int position, int maximum);

    // The settings page's values; settingsChanged tells the page that a read replaced them.
    ReaderSettings& settings() { return settings_; }
    // The database list (ListDb): number, name, record count.
    TextList& databaseList() { return databaseList_; }

    // The reader-data, journal and diary grids, with their column titles.
    TextGrid& familyGrid(int family) { return familyGrids_[size_t(family)]; }
    TextGrid& journalGrid() { return journalGrid_; }
    TextGrid& diaryGrid() { return diaryGrid_; }

    // SetReaderActions.
    void setReaderActions(bool on);

    // The clock image of a reply (six bytes from offset 2) as the reader date and time texts;
    // an invalid value gives an empty text.
    static QString clockDateText(const uint8_t* image);
    static QString clockTimeText(const uint8_t* image);

signals:
    void statusTextChanged(const QString& text);
    void headerChanged();
    void gaugeChanged(int position, int maximum);
    void readerActionsChanged(bool on);
    void exchangeActionsDisabled();
    void exchangeActionsEnabled();
    void linkChanged(bool up);
    void tick(const QDateTime& now);
    void settingsChanged();
    // The settings read has brought the whole set (its last reply, the password, has arrived).
    void settingsReadDone();
    // One of the engine's own operations has started (the family is meaningful for the family
    // reads and clears only).
    void operationStarted(tk::reader::Operation operation, tk::Family family);

private:
    Request requestFor(int step);
    Chain* chainOwning(int step) const;
    void startOperation(Operation operation, bool disableExchangeActions, Family family = Family::Telv1);
    void runStep();
    void send(const QByteArray& frame);
    void sendTail();
    void processReply();
    void dispatch();
    void onErrorAnswer(int code);
    void onTimeout();
    void addLog(const QString& rest);
    void setStatusText(const QString& text);
    // Changes the header panel and tells the window only when something it shows changed: the
    // poll refreshes every field many times a second, mostly with the same text.
    template <class Change>
    void changeHeader(Change change)
    {
        const HeaderPanel before = header_;
        change(header_);
        if (!(before == header_))
            emit headerChanged();
    }
    void showCount(int db, int count);
    void showClock(const uint8_t* image);

    void onVersion();
    void onClock();
    void onCount();
    void onRead();
    void onStreetRecord(bool isRecord);
    void onAcknowledgement(uint8_t function);
    void onDbName();
    void onSettingsReply(uint8_t function);
    void onListRecord(bool journal);
    void onRefused();
    bool onFamilyRecord(int db);
    bool onFamilyStep(uint8_t function);
    void startListRead(bool journal);
    bool confirmClear(const QString& text);
    QByteArray settingsPayload(int step) const;

    std::vector<Chain*> chains_;
    ReaderPort& port_;
    TimerSource& timers_;
    Clock& clock_;
    Prompter& prompter_;
    QStringList* log_ = nullptr;

    bool linkUp_ = false;
    bool dispatching_ = false;
    int stepNo_ = StepVersion;
    int workIndex_ = 0;
    bool clockDue_ = false;
    int firmwareWord_ = 0;
    DbNames dbNames_;
    StreetList streets_;
    bool readerActionsOn_ = false;
    int readerActionsFirmware_ = -1; // the firmware word the window last applied the actions for

    QByteArray sendTail_; // bytes 1 .. SendLength - 1 of the request being sent
    RxCollector rx_;

    HeaderPanel header_;
    QString statusText_;
    int gaugePos_ = 0;
    int gaugeMax_ = 100;

    ReaderSettings settings_;
    regional::Formats readFormats_; // of the family read in progress
    TextList databaseList_;
    RepeatSuppression repeat_;

    std::array<TextGrid, 6> familyGrids_;
    TextGrid journalGrid_;
    TextGrid diaryGrid_;
};

} // namespace tk::reader
