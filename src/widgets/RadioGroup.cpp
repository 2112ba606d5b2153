#include "widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_grid(new QGridLayout(this))
{
    m_group->setExclusive(true);
    m_grid->setContentsMargins(6, 4, 6, 4);
    m_grid->setVerticalSpacing(1);
}

void TRadioGroup::SetColumns(int columns)
{
    m_columns = columns < 1 ? 1 : columns;
    relayout();
}

void TRadioGroup::SetItems(const QStringList& items)
{
    for (QRadioButton* b : m_buttons) {
        m_group->removeButton(b);
        delete b;
    }
    m_buttons.clear();
    m_present.clear();
    m_index = -1;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(objectName() + QStringLiteral("_") + QString::number(i));
        m_group->addButton(b, i);
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) { userToggled(i, on); });
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QWidget::customContextMenuRequested, this,
                [this, i, b](const QPoint& at) { emit ItemMenuRequested(i, b->mapToGlobal(at)); });
        m_buttons.append(b);
        m_present.append(true);
        nameBlankItem(i);
    }
    relayout();
}

void TRadioGroup::nameBlankItem(int index)
{
    // An entry without a caption is still announced: by the group and its
    // place in it.
    QRadioButton* b = m_buttons[index];
    b->setAccessibleName(b->text().trimmed().isEmpty()
                             ? title().remove(QLatin1Char('&')) + u' ' + QString::number(index + 1)
                             : QString());
}

void TRadioGroup::relayout()
{
    const int n = int(m_buttons.size());
    const int rows = (n + m_columns - 1) / m_columns;
    for (int i = 0; i < n; ++i) {
        m_grid->removeWidget(m_buttons[i]);
        m_grid->addWidget(m_buttons[i], rows ? i % rows : 0, rows ? i / rows : 0);
    }
}

QString TRadioGroup::Item(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons[index]->text() : QString();
}

void TRadioGroup::SetItem(int index, const QString& text)
{
    if (index >= 0 && index < m_buttons.size()) {
        m_buttons[index]->setText(text);
        nameBlankItem(index);
    }
}

void TRadioGroup::SetItemHint(int index, const QString& hint)
{
    if (index < 0 || index >= m_buttons.size())
        return;
    m_buttons[index]->setToolTip(hint);
    describe(index);
}

void TRadioGroup::describe(int index)
{
    // A screen reader hears what the tool tip shows: the device behind the
    // entry, or why it did not open.
    const QString hint = m_buttons[index]->toolTip();
    m_buttons[index]->setAccessibleDescription(!hint.isEmpty()    ? hint
                                               : m_present[index] ? QString()
                                                                  : tr("kein Gerät"));
}

void TRadioGroup::SetItemPresent(int index, bool present)
{
    if (index < 0 || index >= m_buttons.size() || m_present[index] == present)
        return;
    m_present[index] = present;
    QRadioButton* b = m_buttons[index];
    describe(index);
    if (present) {
        b->setPalette(QPalette());
        return;
    }
    // The text in the colour of a disabled control; the control itself stays
    // enabled.
    QPalette dim = b->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            dim.setColor(group, role, dim.color(QPalette::Disabled, role));
    b->setPalette(dim);
}

bool TRadioGroup::ItemPresent(int index) const
{
    return index >= 0 && index < m_present.size() ? m_present[index] : false;
}

QRadioButton* TRadioGroup::Button(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index < 0 || index >= m_buttons.size()) {
        if (m_index < 0)
            return;
        // Unchecking the last button of an exclusive group needs the group
        // opened for a moment; clearing is silent.
        const int old = m_index;
        m_index = -1;
        m_group->setExclusive(false);
        m_buttons[old]->setChecked(false);
        m_group->setExclusive(true);
        return;
    }
    if (index == m_index)
        return;
    m_buttons[index]->setChecked(true);  // reaches userToggled, which emits Click
}

void TRadioGroup::userToggled(int index, bool checked)
{
    if (!checked || index == m_index)
        return;
    m_index = index;
    emit Click();
}
