#pragma once

#include "firmware/FlashDialog.h"

class TFormMain;

namespace Ui {
class TFormFlashenCSD;
}

// The firmware update of a unit reached over a modem call: the start command
// goes out framed through the main window's send operation (and is logged),
// the port and the call are never touched, both waits allow 5000 ms and
// LabelDauer shows the whole seconds since the header after every block.
// Created once at program start, after TFormFlashen, and shown modally by
// ButtonFUCSDClick.
class TFormFlashenCSD : public TFlashDialog {
    Q_OBJECT
public:
    explicit TFormFlashenCSD(TFormMain* main);
    ~TFormFlashenCSD() override;

private:
    Ui::TFormFlashenCSD* ui;
};

// "firmware update via CSD": asks "wirklich flashen?" and on Yes shows the
// firmware dialog for a unit reached over a modem call, modally. Nothing is
// sent and the port is not touched before the dialog opens.
void ButtonFUCSDClick(TFormMain* main);
