#include "widgets/WholeCaptions.h"

#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

void KeepCaptionsWhole(QWidget* root)
{
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        if (button->text().isEmpty())
            continue;
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        // The caption is drawn inside the frame; a margin keeps it off it.
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
        const int caption = button->fontMetrics().horizontalAdvance(QString(button->text()).remove(QLatin1Char('&')));
        button->setMinimumWidth(qMax(button->minimumWidth(), caption + 2 * frame + margin));
    }
}
