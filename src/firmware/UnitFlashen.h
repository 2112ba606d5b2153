#pragma once

#include "firmware/FlashDialog.h"

namespace Ui {
class TFormFlashen;
}

// The firmware update over the serial line: the start command goes straight
// to the port, the port runs at 115200 for the transfer and is returned to
// 9600 afterwards. Created once at program start, after the main window, and
// shown modally by TFormMain::Flashen1Click.
class TFormFlashen : public TFlashDialog {
    Q_OBJECT
public:
    explicit TFormFlashen(TFormMain* main);
    ~TFormFlashen() override;

private:
    Ui::TFormFlashen* ui;
};
