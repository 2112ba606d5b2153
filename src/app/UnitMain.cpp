#include "app/UnitMain.h"

#include "app/GeneralError.h"
#include "app/IniFile.h"
#include "app/PumpedWait.h"
#include "panels/PanelAllgemein.h"
#include "panels/PanelGPSDataLogger.h"
#include "panels/PanelKippaSmart.h"
#include "panels/PanelLupino.h"
#include "panels/PanelQuintra.h"
#include "panels/PanelTocsa.h"
#include "panels/PanelVigilo.h"
#include "panels/PanelVigiloGSM.h"
#include "panels/PanelVigiloGSMNEU.h"
#include "panels/PanelZerbo.h"
#include "serial/PortLink.h"
#include "ui_UnitMain.h"
#include "watchdog/Heartbeat.h"
#include "watchdog/TriggerLogic.h"
#include "widgets/AccessibleNames.h"
#include "widgets/Dialogs.h"
#include "widgets/LogTools.h"
#include "widgets/RadioGroup.h"
#include "widgets/WholeCaptions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QThread>

namespace {

TFormMain* g_formMain = nullptr;

const QColor kBackground(224, 224, 255);

// What showing a panel sets besides the panel itself.
struct PanelSettings {
    int blockSize = 128;
    int leftWidth = 320;
    bool marker = true;
};

PanelSettings settingsFor(const QString& name)
{
    PanelSettings s;
    if (name == QLatin1String("VigiloGSM"))
        s.blockSize = 256;
    else if (name == QLatin1String("Zerbo")) {
        s.blockSize = 64;
        s.leftWidth = 500;
    } else if (name == QLatin1String("GPSDataLogger") || name == QLatin1String("Lupino")) {
        s.leftWidth = 700;
        s.marker = false;
    } else if (name == QLatin1String("Tocsa")) {
        s.leftWidth = 500;
        s.marker = false;
    } else if (name == QLatin1String("KippaSmart"))
        s.leftWidth = 500;
    return s;
}

void setBoldCaption(QGroupBox* box)
{
    QFont f = box->font();
    f.setBold(true);
    f.setPixelSize(13);
    box->setFont(f);
    // Only the caption is bold: the contents keep the window's plain font.
    QFont plain = f;
    plain.setBold(false);
    plain.setPixelSize(11);
    for (QWidget* w : box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->setFont(plain);
}

}  // namespace

TFormMain* FormMain() { return g_formMain; }

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent), ui(new Ui::TFormMain)
{
    g_formMain = this;
    ui->setupUi(this);

    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);
    resize(1043, 846);

    setBoldCaption(ui->MessageBox);
    QFont logFont(QStringLiteral("Courier"));
    logFont.setStyleHint(QFont::TypeWriter);
    logFont.setPixelSize(13);
    logFont.setBold(false);
    ui->Memo1->setFont(logFont);
    ui->Memo1->viewport()->installEventFilter(this);
    m_logTools = new TLogTools(ui->Memo1, ui->Datei1, [this] { return SettingsFile; });

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer3.setObjectName(QStringLiteral("Timer3"));
    Timer4.setObjectName(QStringLiteral("Timer4"));
    HeartbeatTimer.setObjectName(QStringLiteral("HeartbeatTimer"));
    for (QTimer* t : {&Timer1, &Timer2, &Timer3, &HeartbeatTimer})
        t->setInterval(1000);
    Timer4.setInterval(30000);

    ComPort.setObjectName(QStringLiteral("ComPort"));
    ComPort.OnRxChar = [this](TComPort* port, int count) { ComPortRxChar(port, count); };
    ComPort.OnHandlerError = [](const std::exception& e) { ShowGeneralError(e); };

    connect(&Timer1, &QTimer::timeout, this, Guarded([this] { Timer1Timer(); }));
    connect(&Timer3, &QTimer::timeout, this, Guarded([this] { Timer3Timer(); }));

    buildMenu();
    buildStatusBar();
    buildPanels();
    NameInputFields(ui->PanelLinks);

    DataFile.OnError = [](const QString& name) { Dialogs().Warning(tr("Fehler bei Dateizugriff (%1)").arg(name)); };
    ExportFile.OnError = DataFile.OnError;
    ExportFile.SetFlushEachLine(false);

    FormCreate();
}

TFormMain::~TFormMain()
{
    ComPort.OnRxChar = nullptr;
    try {
        ComPort.Close();
    } catch (...) {
    }
    DataFile.Close();
    ExportFile.Close();
    if (g_formMain == this)
        g_formMain = nullptr;
    delete ui;
}

void TFormMain::buildMenu()
{
    // The two separators of the device menu carry names of their own.
    auto* n2 = new QAction(this);
    n2->setObjectName(QStringLiteral("N2"));
    n2->setSeparator(true);
    ui->Device1->insertAction(ui->Zerbo1, n2);
    auto* n4 = new QAction(this);
    n4->setObjectName(QStringLiteral("N4"));
    n4->setSeparator(true);
    ui->Device1->insertAction(ui->KippaSmart1, n4);

    connect(ui->Exit2, &QAction::triggered, this, Guarded([this] { Exit1Click(); }));
    connect(ui->COM1, &QAction::triggered, this, Guarded([this] { ClearPanels(QStringLiteral("allgemein")); }));
    connect(ui->Vigilo1, &QAction::triggered, this, Guarded([this] { ClearPanels(QStringLiteral("Vigilo")); }));
    connect(ui->VigiloGSM1, &QAction::triggered, this, Guarded([this] { ClearPanels(QStringLiteral("VigiloGSM")); }));
    connect(ui->Quintra1, &QAction::triggered, this, Guarded([this] { ClearPanels(QStringLiteral("Quintra")); }));
    connect(ui->Zerbo1, &QAction::triggered, this, Guarded([this] { ClearPanels(QStringLiteral("Zerbo")); }));
    connect(ui->KippaSmart1, &QAction::triggered, this, Guarded([this] {
                if (auto* panel = qobject_cast<TPanelKippaSmart*>(Panel(QStringLiteral("KippaSmart"))))
                    panel->KippaSmart1Click();
            }));
    // The panels no identification code selects, after a separator of their own.
    ui->Device1->addSeparator()->setObjectName(QStringLiteral("N5"));
    ui->Device1->addAction(ui->Lupino1);
    ui->Device1->addAction(ui->Tocsa1);
    ui->Device1->addAction(ui->VigiloGSMNEU1);
    connect(ui->Lupino1, &QAction::triggered, this, Guarded([this] { ClearPanels(QStringLiteral("Lupino")); }));
    connect(ui->Tocsa1, &QAction::triggered, this, Guarded([this] { ClearPanels(QStringLiteral("Tocsa")); }));
    connect(ui->VigiloGSMNEU1, &QAction::triggered, this, Guarded([this] {
                if (auto* panel = qobject_cast<TPanelVigiloGSMNEU*>(Panel(QStringLiteral("VigiloGSMNEU"))))
                    panel->VigiloGSMNEU1Click();
            }));
    connect(ui->Exit1, &QAction::triggered, this, Guarded([this] { FormClick(); }));
}

void TFormMain::buildStatusBar()
{
    ui->StatusBar1->setFixedHeight(19);
    const int widths[5] = {200, 150, 50, 50, 50};
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(ui->StatusBar1);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        // The last panel (the heartbeat countdown) takes the rest of the bar,
        // so that its text is shown whole.
        const bool last = i == 4;
        int width = widths[i];
        if (i == 2) {
            // The seconds counter stops at its largest value, which the
            // panel shows whole in any font.
            const int text = label->fontMetrics().horizontalAdvance(QString::number(kSecondsSaturated));
            width = qMax(width, text + 2 * label->frameWidth() + 2);
        }
        if (last) {
            // At the window's smallest size too.
            const int text = label->fontMetrics().horizontalAdvance(THeartbeat::CountdownText(9));
            label->setMinimumWidth(qMax(width, text + 2 * label->frameWidth() + 2));
        } else
            label->setFixedWidth(width);
        ui->StatusBar1->addWidget(label, last ? 1 : 0);
        m_statusPanels.append(label);
    }
}

void TFormMain::buildPanels()
{
    m_allgemein = new TPanelAllgemein(this, ui->PanelRechts);
    m_panels = {
        m_allgemein,
        new TPanelVigilo(this, ui->PanelRechts),
        new TPanelVigiloGSM(this, ui->PanelRechts),
        new TPanelQuintra(this, ui->PanelRechts),
        new TPanelZerbo(this, ui->PanelRechts),
        new TPanelGPSDataLogger(this, ui->PanelRechts),
        new TPanelLupino(this, ui->PanelRechts),
        new TPanelTocsa(this, ui->PanelRechts),
        new TPanelKippaSmart(this, ui->PanelRechts),
        new TPanelVigiloGSMNEU(this, ui->PanelRechts),
    };
    // A panel taller or wider than the room beside the log scrolls instead
    // of making the window grow; the scroll area shows the window's colour.
    ui->PanelRechtsScroll->viewport()->setAutoFillBackground(false);
    ui->PanelRechtsInhalt->setAutoFillBackground(false);
    for (QGroupBox* p : m_panels) {
        setBoldCaption(p);
        KeepCaptionsWhole(p);
        NameInputFields(p);
        p->hide();
        ui->PanelRechtsInhalt->layout()->addWidget(p);
        p->installEventFilter(this);
    }
}

QFrame* TFormMain::PanelLinks() const { return ui->PanelLinks; }
QFrame* TFormMain::PanelRechts() const { return ui->PanelRechts; }
QGroupBox* TFormMain::MessageBox() const { return ui->MessageBox; }
TLogView* TFormMain::Memo1() const { return ui->Memo1; }
QLabel* TFormMain::StatusPanel(int index) const { return m_statusPanels.value(index); }
TRadioGroup* TFormMain::RadioGroupCOM() const { return m_allgemein->RadioGroupCOM(); }
TRadioGroup* TFormMain::RadioGroupCOMconnect() const { return m_allgemein->RadioGroupCOMconnect(); }

void TFormMain::SetStatusText(int index, const QString& text)
{
    if (QLabel* l = StatusPanel(index))
        l->setText(text);
}

QGroupBox* TFormMain::Panel(const QString& name) const
{
    for (QGroupBox* p : m_panels)
        if (p->objectName() == name)
            return p;
    return nullptr;
}

void TFormMain::refreshPortHints()
{
    if (m_portLink)
        m_portLink->LookAgain();
}

// --- panel switch ----------------------------------------------------------------

void TFormMain::ClearPanels(const QString& name)
{
    if (name != ActivePanel)
        abandonPlcCapture();
    for (QGroupBox* p : m_panels)
        p->hide();

    const PanelSettings s = settingsFor(name);
    FlashBlockSize = s.blockSize;
    m_leftWidth = s.leftWidth;
    RxMarker = s.marker;

    if (name == QLatin1String("Lupino")) {
        ReopenSelectedPort(BaudRateFromName(QStringLiteral("38400")));
        ComPort.SetDTR(true);  // an error here goes to the general error display
        if (!ComPort.LineControlConfirmed())
            Print(
                tr("%1: DTR vom Geräteserver nicht bestätigt; die Schnittstelle arbeitet weiter").arg(ComPort.Port()));
    } else if (name == QLatin1String("KippaSmart")) {
        try {
            ComPort.Close();
            ComPort.SetBaudRate(BaudRateFromName(QStringLiteral("9600")));
            ComPort.Open();
            ComPort.SetConnected(true);
        } catch (const EComPort&) {
        }
    }

    layoutSides();
    if (QGroupBox* p = Panel(name))
        p->show();
    ActivePanel = name;
    emit PanelShown(name);
}

void TFormMain::layoutSides()
{
    // The right side takes the rest of the window but a gap of 10 pixels
    // (the layout keeps it so; set here too for a window not shown yet).
    ui->PanelLinks->setFixedWidth(m_leftWidth);
    ui->PanelRechts->resize(qMax(0, width() - m_leftWidth - 10), ui->PanelRechts->height());
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    // A click on a panel stays with the panel. On the free area of the
    // general, Vigilo-GSM, Lupino and Tocsa panels it shows the about box;
    // clicks that inner groups and tabs pass on are not on a free area.
    if (event->type() == QEvent::MouseButtonPress && m_panels.contains(watched)) {
        auto* panel = static_cast<QGroupBox*>(watched);
        auto* e = static_cast<QMouseEvent*>(event);
        static const QStringList withAbout = {QStringLiteral("allgemein"), QStringLiteral("VigiloGSM"),
                                              QStringLiteral("Lupino"), QStringLiteral("Tocsa")};
        if (e->button() == Qt::LeftButton && withAbout.contains(panel->objectName())
            && !panel->childAt(e->position().toPoint()))
            Guarded([this] { FormClick(); })();
        return true;
    }
    if (watched == ui->Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        Memo1DblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Guarded([this] { FormClick(); })();
    QMainWindow::mousePressEvent(e);
}

// --- log ----------------------------------------------------------------------------

void TFormMain::Print(const QString& ws)
{
    // The view shows new lines once per pass of the event loop (or at the end
    // of a batch) and follows the end while it is scrolled to the bottom.
    m_logTools->Append(ws);
}

void TFormMain::BeginLogBatch() { ui->Memo1->BeginBatch(); }

void TFormMain::EndLogBatch() { ui->Memo1->EndBatch(); }

void TFormMain::Memo1DblClick() { ui->Memo1->clear(); }

// --- waits ------------------------------------------------------------------------------

bool TFormMain::PumpedWait(int limitMs, const std::function<bool()>& done) { return ::PumpedWait(limitMs, done); }
