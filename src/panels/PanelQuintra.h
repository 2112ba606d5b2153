#pragma once

#include <QGroupBox>

class TFormMain;
class TSpinEdit;
class QAbstractButton;
namespace Ui {
class TPanelQuintra;
}

// The panel of the five-channel unit. Tab "command": per channel switching
// with delay, read, delay after power-on, power-on state and mode; the
// master's watchdog times; all channels at once; the cyclic trigger group.
// Tab "PLC": the unit's sequence program, and saving it to or loading it
// from a .plc file. Nothing here waits for an answer.
class TPanelQuintra : public QGroupBox {
    Q_OBJECT
public:
    TPanelQuintra(TFormMain* main, QWidget* parent);
    ~TPanelQuintra() override;

    // Every channel button: "{n}" + word + the field's value (when there is a
    // field) + CR, sent as is. The fields keep their values.
    void ChannelCommandClick(int channel, const QString& word, const TSpinEdit* field);
    // The master's retrigger time; the trigger interval follows from it.
    void BtnTR_QTSClick();
    // The Vigilo panel's deactivate, with all its effects.
    void Button27Click();

    void Button3Click();
    void Button4Click();
    void Button11Click();
    void Button82Click();

    void ButtonPLCaponClick();
    void ButtonPLCsetClick();
    void ButtonPLCclearClick();
    void ButtonPLCsaveClick();
    void ButtonPLCloadClick();

private:
    void wireChannel(QAbstractButton* button, int channel, const QString& word, const TSpinEdit* field);
    void wire(QAbstractButton* button, void (TPanelQuintra::*handler)());
    void wireText(QAbstractButton* button, const QString& line);

    TFormMain* m_main;
    Ui::TPanelQuintra* ui;
};
