#include "widgets/SpinEdit.h"

#include <QKeyEvent>
#include <limits>

TSpinEdit::TSpinEdit(QWidget* parent) : QLineEdit(parent)
{
    setText(QStringLiteral("0"));
    connect(this, &QLineEdit::textChanged, this, &TSpinEdit::Changed);
}

bool TSpinEdit::ParseInteger(const QString& text, qint64& out)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 12)
        return false;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    out = v;
    return true;
}

int TSpinEdit::Checked(qint64 v) const
{
    if (m_min != m_max) {
        if (v < m_min)
            v = m_min;
        if (v > m_max)
            v = m_max;
    }
    if (v < std::numeric_limits<int>::min())
        v = std::numeric_limits<int>::min();
    if (v > std::numeric_limits<int>::max())
        v = std::numeric_limits<int>::max();
    return int(v);
}

int TSpinEdit::Value() const
{
    qint64 v = 0;
    return ParseInteger(text(), v) ? int(v) : m_min;
}

void TSpinEdit::SetValue(int v)
{
    const QString t = QString::number(Checked(v));
    if (t != text())
        setText(t);
}

void TSpinEdit::focusOutEvent(QFocusEvent* e)
{
    const int v = Value();
    if (Checked(v) != v)
        SetValue(v);
    QLineEdit::focusOutEvent(e);
}

void TSpinEdit::keyPressEvent(QKeyEvent* e)
{
    if (!isReadOnly() && (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)) {
        SetValue(int(Checked(qint64(Value()) + (e->key() == Qt::Key_Up ? 1 : -1))));
        return;
    }
    QLineEdit::keyPressEvent(e);
}
