#pragma once

#include <QGroupBox>
#include <QList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

// A captioned group of radio buttons laid out in columns, with an item index
// (-1 = nothing selected). Click() is emitted whenever the selection moves to
// an item, by the user or by SetItemIndex(); clearing the selection is silent.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    void SetColumns(int columns);
    void SetItems(const QStringList& items);
    int Count() const { return int(m_buttons.size()); }
    QString Item(int index) const;
    void SetItem(int index, const QString& text);
    // Tool tip of one entry; a screen reader hears it as the entry's
    // description.
    void SetItemHint(int index, const QString& hint);
    QRadioButton* Button(int index) const;
    // An entry with nothing behind it looks absent (greyed out, and says so
    // to a screen reader where its tool tip does not) but stays selectable. Entries start present.
    void SetItemPresent(int index, bool present);
    bool ItemPresent(int index) const;

    int ItemIndex() const { return m_index; }
    void SetItemIndex(int index);

signals:
    void Click();
    // The context menu was asked for on an entry (right click, menu key).
    void ItemMenuRequested(int index, const QPoint& globalPos);

private:
    void relayout();
    void nameBlankItem(int index);
    void describe(int index);
    void userToggled(int index, bool checked);

    QButtonGroup* m_group;
    QGridLayout* m_grid;
    QList<QRadioButton*> m_buttons;
    QList<bool> m_present;
    int m_columns = 1;
    int m_index = -1;
};
