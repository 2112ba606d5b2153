#pragma once

#include "rx/RxLogic.h"
#include "rx/TextFileSlot.h"
#include "serial/ComPort.h"
#include "widgets/Dialogs.h"
#include "widgets/LogView.h"

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QTextCursor>
#include <QTimer>

class QLabel;

class QGroupBox;
class QFrame;
class TRadioGroup;
class TPanelAllgemein;
class TSpinEdit;
class TFormFlashen;
class TFormFlashenCSD;
class TLogTools;
class TPortLink;
class QAbstractButton;

namespace Ui {
class TFormMain;
}

// The main window: message log on the left, one device panel on the right,
// and all state the panels, the receive side and the firmware dialogs share.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // --- shared state --------------------------------------------------------
    TComPort ComPort;
    QString ActivePanel;
    int FlashBlockSize = 128;
    bool RxMarker = true;
    TRxLine RxLine;
    QString IdReply;
    QChar LastRxChar;
    bool QuietSend = false;
    // The three capture modes of the receive side are flags, not one state,
    // because they may be on together: a list download (PlainCapture) started
    // during an endurance run (StampCapture) writes each line twice into the
    // one DataFile, plain and stamped, until the download's end line. The
    // sequence save (PlcCapture) ends both before it opens its file, so that
    // the file holds the unit's listing only; the list download and the
    // endurance start each open DataFile anew and switch the others off.
    bool PlainCapture = false;
    bool StampCapture = false;
    bool PlcCapture = false;
    bool ScanActive = false;
    int ComNumber = 0;
    int DeviceFamily = 0;
    int DeviceVariant = 0;
    int SecondsCounter = 0;
    int TriggerCountdown = -1;
    bool OnOffToggle = false;
    // Rate names of the smart switch boxes and of the port; empty (= 9600)
    // until the switch box panel sets them.
    QString BoxRate;
    QString ChosenRate;
    // Remembered directories and file names of the file functions.
    QString FirmwareDir, FirmwareFile, GpsDir, GpsFile, LstDir, LstFile, PlcDir, PlcFile;
    TTextFileSlot DataFile;
    TTextFileSlot ExportFile;
    int OpenDataFileForReading(const QString& name) { return DataFile.OpenForReading(name); }
    int OpenDataFileForWriting(const QString& name) { return DataFile.OpenForWriting(name); }
    int OpenExportFileForWriting(const QString& name) { return ExportFile.OpenForWriting(name); }
    void CloseDataFile() { DataFile.Close(); }
    void CloseExportFile() { ExportFile.Close(); }
    bool DataFileOpen() const { return DataFile.IsOpen(); }
    bool ExportFileOpen() const { return ExportFile.IsOpen(); }
    QString SettingsFile;
    QString VersionText;

    QTimer Timer1, Timer2, Timer3, Timer4, HeartbeatTimer;

    // The firmware update dialogs (serial line, modem call); each enters
    // itself here when it is created.
    TFormFlashen* FormFlashen = nullptr;
    TFormFlashenCSD* FormFlashenCSD = nullptr;
    // The main window's open-file dialog as its last use left it: the file
    // functions that do not set its initial directory and file name of their
    // own start where the previous use ended.
    TOpenFileRequest OpenDialog1;

    // --- window parts ----------------------------------------------------------
    QFrame* PanelLinks() const;
    QFrame* PanelRechts() const;
    QGroupBox* MessageBox() const;
    TLogView* Memo1() const;
    TLogTools* LogTools() const { return m_logTools; }
    // The port list as the hardware has it, and the chosen port kept
    // through a replug.
    TPortLink* PortLink() const { return m_portLink; }
    QLabel* StatusPanel(int index) const;
    void SetStatusText(int index, const QString& text);
    TPanelAllgemein* allgemein() const { return m_allgemein; }
    TRadioGroup* RadioGroupCOM() const;
    TRadioGroup* RadioGroupCOMconnect() const;
    // The panel group box of that name, or nullptr.
    QGroupBox* Panel(const QString& name) const;

    // --- panel switch ----------------------------------------------------------
    void ClearPanels(const QString& name);

    // --- send operations and log -------------------------------------------------
    void Print(const QString& ws);
    void Send(const QString& ss);
    void SendPlain(const QString& ss);
    void SendByte(int byteCounter, quint8 zeichen);
    void Memo1DblClick();
    // Lines printed between these two are laid out in one go.
    void BeginLogBatch();
    void EndLogBatch();
    // Sends the caption of the clicked button + CR.
    void ButtonAllg_ZBClick(QObject* sender);
    // Wires a manual command field and its send button: both send the text + CR.
    void WireManualField(QWidget* field, class QAbstractButton* sendButton);
    void SendManualText(const QString& text);
    // Shows "Please choose the COM interface ..." and clears the port selection.
    void NoPortMessage();
    // "GET", shared by the "read" buttons of several panels.
    void BtnLastStateClick();

    // --- firmware update -----------------------------------------------------------
    // Asks "Wirklich flashen?" and on Yes shows the firmware dialog modally.
    void Flashen1Click();
    // Makes a panel's "firmware update" button run Flashen1Click.
    void WireFlashButton(QAbstractButton* button);

    // --- receive side ------------------------------------------------------------
    void ComPortRxChar(TComPort* sender, int count);

    // --- settings, start-up, shutdown ---------------------------------------------
    void WriteSettings();
    void FormCreate();
    void FormClick();
    void Exit1Click();
    // The seconds counter's restart: Timer1 stopped, 1000 ms, counter 0 and
    // shown, Timer1 started again.
    void Restart1s();
    void Timer1Timer();
    void Timer3Timer();
    // The cyclic trigger, shared by the trigger groups of every panel.
    // Start: counter + 1 sent at once, then every EditTrig seconds.
    void TrigStartBtnClick();
    // Stop: countdown off, nothing sent.
    void BtnTrigStopClick();
    // Change of an interval field: the countdown reloads from EditTrig.
    // The "sec:" fields of the other panels' trigger groups feed nothing:
    // their change (fromOtherGroup) reloads a running countdown from EditTrig
    // but never starts a stopped trigger, since nothing typed there would be
    // the interval it ran with.
    void EditTrigChange(bool fromOtherGroup = false);
    // Retrigger-time buttons: EditTrig := (t + 1) div 2; a changed text
    // reloads the countdown through EditTrigChange.
    void SetTriggerIntervalFromRetrigger(int retriggerTime);
    // The hidden on/off test toggle: enable / disable Timer3.
    void ButtonTest1Click();
    void ButtonTest0Click();
    QString StatusClockText() const;
    // The trigger counter and interval fields of the Vigilo panel, which every
    // trigger group of the program uses.
    TSpinEdit* SpinEditZustand() const;
    TSpinEdit* EditTrig() const;

    // --- port selection and identification ------------------------------------------
    void RadioGroupCOMClick();
    // Closes the port and opens the port chosen in the port list again at
    // that rate without flow control; port errors end the attempt silently.
    void ReopenSelectedPort(TBaudRate rate);
    void ButtonScanClick();
    // The waits of the program that happen to share a number: how long a
    // device may take to answer the identification request, how long the
    // program lets the last answers arrive before it ends, and how long a
    // firmware dialog lets late answers reach the log before it closes.
    static constexpr int kIdReplyWaitMs = 500;
    static constexpr int kShutdownWaitMs = 500;
    static constexpr int kFlashCloseWaitMs = 500;
    // Waits up to kIdReplyWaitMs for an identification reply.
    void WaitForIdReply();
    // Asks the device on the open port n who it is, shows the panel of a
    // known answer, stores the port in the settings and the answer in the
    // connect list.
    enum class TIdOutcome { NotWritten, Unknown, Known };
    TIdOutcome IdentifyDevice(int n);

    // Wait helper for every wait of the program: processes events, sleeping
    // until one arrives, until done() holds or limitMs has passed. Returns done().
    static bool PumpedWait(int limitMs, const std::function<bool()>& done = nullptr);

signals:
    // Every completed non-empty received line, as it was logged.
    void LineReceived(const QString& line);
    // After every ClearPanels call.
    void PanelShown(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void buildMenu();
    void buildStatusBar();
    void buildPanels();
    void layoutSides();
    void completeLine(QChar endChar);
    void reflect(const QString& line);
    void writeToDataFile(const QString& text, bool lineEnds = true);
    // A sequence listing still being captured ends without its "OK": the
    // file keeps what came, no success message.
    void abandonPlcCapture();
    bool sendChecked(const QString& bytes, const QString& echo, bool echoAlways);
    void refreshPortHints();
    int writeIdRequest();
    // After an attempt to open port n: remembers why it failed (or that it
    // did not) for the port list's tool tips.
    QString notePortOutcome(int n);

    Ui::TFormMain* ui;
    TPanelAllgemein* m_allgemein = nullptr;
    // Save, search and running file of the log; the line store it shows.
    TLogTools* m_logTools = nullptr;
    QList<QGroupBox*> m_panels;
    QList<QLabel*> m_statusPanels;
    TPortLink* m_portLink = nullptr;
    int m_leftWidth = 320;
    bool m_rxBusy = false;
};

// The window in use (there is one per program run).
TFormMain* FormMain();
