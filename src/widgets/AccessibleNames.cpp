#include "widgets/AccessibleNames.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QList>

namespace {

// A drop-down list as a screen reader should see it. Qt's own interface
// for combo boxes gives, on Linux, the current value as the name (it
// expects the label to be found through a relation no reader of the
// desktop follows), so "9600" was announced instead of the label. Here the
// name is the accessible name the list was given, the value its current
// text; opening the list is its default action.
class TAccessibleComboBox : public QAccessibleWidget {
public:
    explicit TAccessibleComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        auto* box = static_cast<QComboBox*>(widget());
        if (t == QAccessible::Value)
            return box->isEditable() && box->lineEdit() ? box->lineEdit()->text() : box->currentText();
        if (t == QAccessible::Name && !box->accessibleName().isEmpty())
            return box->accessibleName();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{QAccessibleActionInterface::showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == QAccessibleActionInterface::showMenuAction()
            || action == QAccessibleActionInterface::pressAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* comboBoxFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QComboBox"))
        return nullptr;
    auto* box = qobject_cast<QComboBox*>(object);
    return box ? new TAccessibleComboBox(box) : nullptr;
}

QString plain(QString caption)
{
    caption.remove(QLatin1Char('&'));
    return caption.simplified();
}

bool isInputField(QWidget* w)
{
    if (qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w))
        return true;
    // The line edit inside a combo box or spin box is named by its owner.
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return !qobject_cast<QComboBox*>(edit->parentWidget())
               && !qobject_cast<QAbstractSpinBox*>(edit->parentWidget());
    return false;
}

QString captionOf(QWidget* w)
{
    if (auto* label = qobject_cast<QLabel*>(w))
        return plain(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return plain(button->text());
    return QString();
}

// The widget to the left of w in the layout that holds it, if any.
QWidget* leftNeighbour(QWidget* w)
{
    QWidget* parent = w->parentWidget();
    if (!parent)
        return nullptr;
    for (QLayout* layout : parent->findChildren<QLayout*>()) {
        const int index = layout->indexOf(w);
        if (index < 0)
            continue;
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
            for (int c = column - 1; c >= 0; --c)
                if (QLayoutItem* item = grid->itemAtPosition(row, c); item && item->widget())
                    return item->widget();
            return nullptr;
        }
        for (int i = index - 1; i >= 0; --i)
            if (QWidget* left = layout->itemAt(i)->widget())
                return left;
        return nullptr;
    }
    return nullptr;
}

QString groupCaption(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* group = qobject_cast<QGroupBox*>(p))
            if (!plain(group->title()).isEmpty())
                return plain(group->title());
    return QString();
}

// The name a group is announced by: the one it was given, else its caption.
QString groupName(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* group = qobject_cast<QGroupBox*>(p)) {
            if (!group->accessibleName().isEmpty())
                return group->accessibleName();
            if (!plain(group->title()).isEmpty())
                return plain(group->title());
        }
    return QString();
}

QString standsFor(QWidget* field, const QHash<QWidget*, QLabel*>& buddies)
{
    if (QLabel* label = buddies.value(field); label && !captionOf(label).isEmpty())
        return captionOf(label);
    if (QWidget* left = leftNeighbour(field); left && !captionOf(left).isEmpty())
        return captionOf(left);
    if (const QString group = groupCaption(field); !group.isEmpty())
        return group;
    return plain(field->toolTip());
}

}  // namespace

void NameInputFields(QWidget* root)
{
    static const bool factory = (QAccessible::installFactory(comboBoxFactory), true);
    Q_UNUSED(factory);
    // Qt's accessibility gives a group box inside another group box the
    // outer one's caption as its name; its own caption, set as its name,
    // mends that.
    for (QGroupBox* box : root->findChildren<QGroupBox*>())
        if (box->accessibleName().isEmpty() && !plain(box->title()).isEmpty())
            box->setAccessibleName(plain(box->title()));

    QHash<QWidget*, QLabel*> buddies;
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->buddy())
            buddies.insert(label->buddy(), label);

    QList<QWidget*> fields;
    QHash<QString, int> uses;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!isInputField(w) || !w->accessibleName().isEmpty())
            continue;
        const QString name = standsFor(w, buddies);
        if (name.isEmpty())
            continue;
        w->setAccessibleName(name);
        fields.append(w);
        ++uses[name];
    }
    // Names shared within root: each field says which group it is in, and
    // where even that is shared, which one of them it is.
    QHash<QString, int> seen;
    for (QWidget* w : fields) {
        const QString name = w->accessibleName();
        if (uses.value(name) < 2)
            continue;
        const QString group = groupCaption(w);
        QString qualified = group.isEmpty() || group == name ? name : name + QStringLiteral(" (") + group + u')';
        w->setAccessibleName(qualified);
    }
    QHash<QString, int> final;
    for (QWidget* w : fields)
        ++final[w->accessibleName()];
    for (QWidget* w : fields) {
        const QString name = w->accessibleName();
        if (final.value(name) > 1)
            w->setAccessibleName(name + QStringLiteral(" ") + QString::number(++seen[name]));
    }
    // Buttons of one caption in several groups (the five channels of the
    // five-channel unit) say which group they are in.
    QHash<QString, int> captions;
    const QList<QAbstractButton*> buttons = root->findChildren<QAbstractButton*>();
    for (QAbstractButton* b : buttons)
        if (b->accessibleName().isEmpty() && !plain(b->text()).isEmpty())
            ++captions[plain(b->text())];
    for (QAbstractButton* b : buttons) {
        const QString caption = plain(b->text());
        if (!b->accessibleName().isEmpty() || captions.value(caption) < 2)
            continue;
        if (const QString group = groupName(b); !group.isEmpty() && group != caption)
            b->setAccessibleName(caption + QStringLiteral(" (") + group + u')');
    }
    // The text field of an editable list takes the focus in its place and
    // is announced by the list's name.
    for (QWidget* w : fields)
        if (auto* box = qobject_cast<QComboBox*>(w);
            box && box->lineEdit() && box->lineEdit()->accessibleName().isEmpty())
            box->lineEdit()->setAccessibleName(box->accessibleName());
}

void SetGroupTitle(QGroupBox* box, const QString& title)
{
    box->setTitle(title);
    box->setAccessibleName(plain(title));
}
