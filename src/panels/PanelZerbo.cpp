#include "panels/PanelZerbo.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "ui_PanelZerbo.h"
#include "widgets/SpinEdit.h"

TPanelZerbo::TPanelZerbo(TFormMain* main, QWidget* parent) : QGroupBox(parent), m_main(main), ui(new Ui::TPanelZerbo)
{
    ui->setupUi(this);

    const std::pair<QPushButton*, TSpinEdit*> settings[] = {
        {ui->BtnSet1_ZB, ui->SpinEditSet1_ZB}, {ui->BtnSet2_ZB, ui->SpinEditSet2_ZB},
        {ui->BtnSet3_ZB, ui->SpinEditSet3_ZB}, {ui->BtnSet4_ZB, ui->SpinEditSet4_ZB},
        {ui->BtnSet5_ZB, ui->SpinEditSet5_ZB},
    };
    int key = 0;
    for (const auto& [button, field] : settings) {
        connect(button, &QPushButton::clicked, this, Guarded([this, k = ++key, f = field] { BtnSet_ZBClick(k, f); }));
    }

    QPushButton* const captionButtons[] = {
        ui->BtnInfo1_ZB, ui->BtnInfo2_ZB, ui->Button31, ui->Button36, ui->Button41, ui->Button48,
        ui->Button33,    ui->Button37,    ui->Button42, ui->Button49, ui->Button32, ui->Button38,
        ui->Button43,    ui->Button60,    ui->Button34, ui->Button35,
    };
    for (QPushButton* button : captionButtons)
        connect(button, &QPushButton::clicked, this, Guarded([this, button] { m_main->ButtonAllg_ZBClick(button); }));

    m_main->WireFlashButton(ui->Button45);
}

TPanelZerbo::~TPanelZerbo() { delete ui; }

void TPanelZerbo::BtnSet_ZBClick(int key, const TSpinEdit* field)
{
    m_main->SendPlain(QStringLiteral("SET ") + QString::number(key) + QStringLiteral(" = ")
                      + QString::number(field->Value()) + QLatin1Char('\r'));
}
