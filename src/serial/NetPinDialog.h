#pragma once

#include "serial/Rfc2217.h"

#include <QDialog>
#include <memory>

namespace Ui {
class NetPinDialog;
}

// Asks for a device server's host and port and the kind of connection; OK
// only while they make a valid address, and the reason otherwise.
class TNetPinDialog : public QDialog {
    Q_OBJECT
public:
    // current: the entry's address now, if it is one.
    TNetPinDialog(const QString& portName, const QString& current, QWidget* parent = nullptr);
    ~TNetPinDialog() override;

    TNetAddress Address() const;

private:
    QString text() const;
    void check();
    std::unique_ptr<Ui::NetPinDialog> ui;
};
