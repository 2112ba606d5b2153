#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelQuintra;
}

// The panel of the five-channel unit.
class TPanelQuintra : public QGroupBox {
    Q_OBJECT
public:
    TPanelQuintra(TFormMain* main, QWidget* parent);
    ~TPanelQuintra() override;

private:
    TFormMain* m_main;
    Ui::TPanelQuintra* ui;
};
