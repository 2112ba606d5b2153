#include "serial/NetPinDialog.h"

#include "ui_NetPinDialog.h"

#include <QPushButton>

TNetPinDialog::TNetPinDialog(const QString& portName, const QString& current, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::NetPinDialog>())
{
    ui->setupUi(this);
    setWindowTitle(tr("Netzwerkport an %1 binden").arg(portName));
    const TNetAddress now = ParseNetAddress(current);
    if (now.Valid()) {
        ui->ComboKind->setCurrentIndex(now.kind == TNetAddress::Kind::Socket ? 1 : 0);
        ui->EditHost->setText(now.host);
        ui->EditPort->setText(QString::number(now.port));
    }
    connect(ui->EditHost, &QLineEdit::textChanged, this, &TNetPinDialog::check);
    connect(ui->EditPort, &QLineEdit::textChanged, this, &TNetPinDialog::check);
    connect(ui->ComboKind, &QComboBox::currentIndexChanged, this, &TNetPinDialog::check);
    connect(ui->ButtonsNetPin, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->ButtonsNetPin, &QDialogButtonBox::rejected, this, &QDialog::reject);
    check();
}

TNetPinDialog::~TNetPinDialog() = default;

QString TNetPinDialog::text() const
{
    const QString scheme =
        ui->ComboKind->currentIndex() == 1 ? QStringLiteral("socket://") : QStringLiteral("rfc2217://");
    QString host = ui->EditHost->text();
    if (host.contains(u':') && !host.startsWith(u'['))
        host = u'[' + host + u']';
    return scheme + host + u':' + ui->EditPort->text();
}

TNetAddress TNetPinDialog::Address() const { return ParseNetAddress(text()); }

void TNetPinDialog::check()
{
    QString why;
    const QString t = text();
    // A blank the user typed around the name or the port is no part of the
    // address, but the address is written as shown: no blanks at all.
    bool ok = ParseNetAddress(t, &why).Valid();
    if (ok && t != t.simplified().remove(u' ')) {
        ok = false;
        why = tr("Leerzeichen in Rechnername oder Port");
    }
    ui->LabelProblem->setText(ok ? QString() : why);
    ui->ButtonsNetPin->button(QDialogButtonBox::Ok)->setEnabled(ok);
}
