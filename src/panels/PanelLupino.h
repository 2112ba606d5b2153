#pragma once

#include <QGroupBox>

class TFormMain;
class QMouseEvent;
namespace Ui {
class TPanelLupino;
}

// The panel of the GPS/GSM tracker: the logger commands of the GPS data
// logger (its "DIR (= Directory)" only asks for the directory), a GPS tab
// with scan resolution and converters, and a GSM tab.
class TPanelLupino : public QGroupBox {
    Q_OBJECT
public:
    TPanelLupino(TFormMain* main, QWidget* parent);
    ~TPanelLupino() override;

    void Button25Click();
    void Button114Click();
    void Button115Click();
    void Button116Click();
    void Button117Click();
    void Button113Click();
    void Button119Click();
    void Button120Click();

private:
    TFormMain* m_main;
    Ui::TPanelLupino* ui;
};
