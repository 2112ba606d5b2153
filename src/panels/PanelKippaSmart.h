#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelKippaSmart;
}

// The panel of the addressed smart switch boxes.
class TPanelKippaSmart : public QGroupBox {
    Q_OBJECT
public:
    TPanelKippaSmart(TFormMain* main, QWidget* parent);
    ~TPanelKippaSmart() override;

private:
    TFormMain* m_main;
    Ui::TPanelKippaSmart* ui;
};
