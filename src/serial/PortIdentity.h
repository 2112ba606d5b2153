#pragma once

#include <QString>

// What the system tells of the adapter behind a serial device: the stable
// name udev gives it under /dev/serial/by-id, the USB device it belongs to
// and the driver that serves it. A field is empty where the system knows
// none (a built-in port has no USB device, a pseudo-terminal has nothing).
struct TPortIdentity {
    QString byId;          // file name in the by-id folder, e.g. usb-FTDI_FT232R_USB_UART_A9X3-if00-port0
    QString serial;        // the USB device's "serial" attribute
    QString vendorId;      // its "idVendor", four hex digits
    QString productId;     // its "idProduct"
    QString manufacturer;  // its "manufacturer" text
    QString product;       // its "product" text
    QString driver;        // the kernel driver of the tty's device, e.g. ftdi_sio
    friend bool operator==(const TPortIdentity&, const TPortIdentity&) = default;
};

// Looks the device up; the folders are parameters so that a test can lay
// out its own.
TPortIdentity PortIdentityOf(const QString& devicePath, const QString& byIdDir = QStringLiteral("/dev/serial/by-id"),
                             const QString& ttyClassDir = QStringLiteral("/sys/class/tty"));
