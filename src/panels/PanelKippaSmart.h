#pragma once

#include <QGroupBox>

class TFormMain;
class QComboBox;
class QPushButton;
namespace Ui {
class TPanelKippaSmart;
}

// The panel of the addressed smart switch boxes. Each box has an address
// from 0 to 9; the address commands carry it, the manual command needs one
// selected but goes out as typed. The program and the boxes move to another
// rate together by the autobaud sequence; the boxes' rate and the rate last
// chosen for the port are the main window's BoxRate and ChosenRate.
class TPanelKippaSmart : public QGroupBox {
    Q_OBJECT
public:
    TPanelKippaSmart(TFormMain* main, QWidget* parent);
    ~TPanelKippaSmart() override;

    // The address of the selected entry, "0" .. "9"; empty when no entry is
    // selected (typed text does not count).
    QString BoxAddress() const;

    // The menu entry: shows the panel (the port is reopened at 9600) and
    // takes the port's rate as the boxes' rate.
    void KippaSmart1Click();
    // The eight address commands: the button's prefix + address (+ suffix).
    void AddressCommandClick(QObject* sender);
    void ButtonKPSMARTKommandoClick();
    // The port moves to the selected rate; nothing is sent.
    void ComboBoxBaudrateChange();
    // The boxes follow: 0x55, reset at their rate, then "U" at the new one.
    void ButtonSetBaudrateClick();
    // Firmware update of a box: reset, "U" at 115200, then the firmware dialog.
    void ButtonFWUpdateClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Index of the selected entry, -1 while typed text stands in the field.
    static int selectedIndex(const QComboBox* box);

    TFormMain* m_main;
    Ui::TPanelKippaSmart* ui;
};
