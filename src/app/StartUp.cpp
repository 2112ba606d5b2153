// Start-up, settings file, about box and exit of the main window.
#include "app/IniFile.h"
#include "app/SettingsLocation.h"
#include "app/UnitMain.h"
#include "panels/PanelVigiloGSM.h"
#include "serial/PortLink.h"
#include "widgets/Dialogs.h"
#include "widgets/LogTools.h"
#include "widgets/RadioGroup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QThread>

namespace {

const QString kCalls = QStringLiteral("Calls");
const QString kDir = QStringLiteral("DIR");
const QString kMisc = QStringLiteral("Misc");

// The remote control's dial field, whose number the settings file keeps.
QLineEdit* dialField(const TFormMain& form)
{
    return static_cast<TPanelVigiloGSM*>(form.Panel(QStringLiteral("VigiloGSM")))->EditATD_VGG();
}

}  // namespace

void TFormMain::Restart1s()
{
    Timer1.stop();
    Timer1.setInterval(1000);
    SecondsCounter = 0;
    SetStatusText(2, QStringLiteral("0"));
    Timer1.start();
}

void TFormMain::WriteSettings()
{
    MakeSettingsFolder(SettingsFile);  // a new user's configuration directory
    TIniFile ini(SettingsFile);
    ini.WriteStrings({
        {kCalls, QStringLiteral("ATD"), dialField(*this)->text()},
        {kDir, QStringLiteral("Directory"), FirmwareDir},
        {kDir, QStringLiteral("File"), FirmwareFile},
        {kDir, QStringLiteral("GPS-Directory"), GpsDir},
        {kDir, QStringLiteral("GPS-File"), GpsFile},
        {kDir, QStringLiteral("LST-Directory"), LstDir},
        {kDir, QStringLiteral("LST-File"), LstFile},
        {kDir, QStringLiteral("PLC-Directory"), PlcDir},
        {kDir, QStringLiteral("PLC-File"), PlcFile},
        {kMisc, QStringLiteral("COM"), QString::number(ComNumber)},
    });
}

void TFormMain::FormCreate()
{
    Timer1.stop();
    SetStatusText(2, QString::number(SecondsCounter));
    SecondsCounter = 0;
    TriggerCountdown = -1;
    Timer1.setInterval(1000);
    Timer1.start();

    SettingsFile = SettingsFileForProgram(QCoreApplication::applicationFilePath());
    ComPort.SetSettingsFile(SettingsFile);
    if (!QFileInfo::exists(SettingsFile))
        WriteSettings();
    if (!m_portLink)
        m_portLink = new TPortLink(*this);
    m_portLink->Watcher().SetSettingsFile(SettingsFile);
    LogTools()->RestoreRunning();

    const TIniFile ini(SettingsFile);
    dialField(*this)->setText(ini.ReadString(kCalls, QStringLiteral("ATD"), QStringLiteral("+49171;")));
    FirmwareDir = ini.ReadString(kDir, QStringLiteral("Directory"), QStringLiteral("."));
    FirmwareFile = ini.ReadString(kDir, QStringLiteral("File"), QString());
    GpsDir = ini.ReadString(kDir, QStringLiteral("GPS-Directory"), QStringLiteral("."));
    GpsFile = ini.ReadString(kDir, QStringLiteral("GPS-File"), QString());
    // Read as well, so that the next write keeps what was stored.
    LstDir = ini.ReadString(kDir, QStringLiteral("LST-Directory"), QString());
    LstFile = ini.ReadString(kDir, QStringLiteral("LST-File"), QString());
    PlcDir = ini.ReadString(kDir, QStringLiteral("PLC-Directory"), QString());
    PlcFile = ini.ReadString(kDir, QStringLiteral("PLC-File"), QString());
    ComNumber = ini.ReadInteger(kMisc, QStringLiteral("COM"), 0);
    refreshPortHints();

    FlashBlockSize = 128;
    ClearPanels(QStringLiteral("allgemein"));

    QuietSend = false;
    RxMarker = true;
    PlainCapture = StampCapture = PlcCapture = false;
    ScanActive = false;
    DeviceFamily = 0;

    VersionText = QStringLiteral(VELMOR_VERSION_TEXT);
    if (ComNumber > 0)
        RadioGroupCOM()->SetItemIndex(qMin(ComNumber, 24) - 1);
}

void TFormMain::FormClick()
{
    Dialogs().Info(QStringLiteral("VelmorServiceSoftware\r") + tr("Version: V") + VersionText + QLatin1Char('\r')
                   + QString(53, QLatin1Char('-')) + QLatin1Char('\r') + QLatin1Char('\r')
                   + QStringLiteral("Velmor Service Systems\r") + QStringLiteral("https://www.example.com\r")
                   + QStringLiteral("service@example.com\r"));
}

void TFormMain::Exit1Click()
{
    Timer1.stop();
    Timer2.stop();
    Timer3.stop();
    Timer4.stop();
    try {
        ComPort.Close();
    } catch (...) {
    }
    PumpedWait(kShutdownWaitMs);
    RxLine.clear();
    // Nothing written to a capture may be lost.
    DataFile.Close();
    ExportFile.Close();
    QThread::msleep(300);
    QCoreApplication::exit(0);
}
