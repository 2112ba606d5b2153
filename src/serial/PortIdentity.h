#pragma once

#include <QString>

// What the system tells of the adapter behind a serial device: the stable
// name udev gives it under /dev/serial/by-id, and the serial number of the
// USB device it belongs to. Either is empty where the system knows none (a
// built-in port, a pseudo-terminal, an adapter without a serial number).
struct TPortIdentity {
    QString byId;    // file name in the by-id folder, e.g. usb-FTDI_FT232R_USB_UART_A9X3-if00-port0
    QString serial;  // the USB device's "serial" attribute
};

// Looks the device up; the folders are parameters so that a test can lay
// out its own.
TPortIdentity PortIdentityOf(const QString& devicePath, const QString& byIdDir = QStringLiteral("/dev/serial/by-id"),
                             const QString& ttyClassDir = QStringLiteral("/sys/class/tty"));
