#pragma once

#include <QGroupBox>

class TFormMain;
class TSpinEdit;
namespace Ui {
class TPanelZerbo;
}

// The panel of the serial I/O box: its five settings, its state, and its
// three outputs. The box takes its commands without a "{+}" frame. The state
// and output buttons send their caption, so their captions are the commands.
// While the panel is on show, the receive side copies the box's "SETn="
// answers into the five setting fields.
class TPanelZerbo : public QGroupBox {
    Q_OBJECT
public:
    TPanelZerbo(TFormMain* main, QWidget* parent);
    ~TPanelZerbo() override;

    // "SET " + key + " = " + the field's value + CR, for the five settings.
    void BtnSet_ZBClick(int key, const TSpinEdit* field);

private:
    TFormMain* m_main;
    Ui::TPanelZerbo* ui;
};
