#pragma once

#include <QLineEdit>

// Integer field with a minimum and a maximum, as every device panel uses it.
// Unlike QSpinBox it accepts any text while typing:
//  - Value() reads the text as a decimal integer; a text that is not an
//    integer reads as the minimum. Reading never clamps.
//  - SetValue() clamps to the range and writes the decimal text.
//  - Leaving the field clamps what was typed (a change like any other).
//  - Minimum and maximum both 0 (or equal) mean no limit.
// Changed() is emitted on every change of the text, by the user or the program.
class TSpinEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int minValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int maxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(int value READ Value WRITE SetValue)
    Q_PROPERTY(int maxChars READ MaxChars WRITE SetMaxChars)
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    int MinValue() const { return m_min; }
    int MaxValue() const { return m_max; }
    void SetMinValue(int v) { m_min = v; }
    void SetMaxValue(int v) { m_max = v; }
    void SetRange(int lo, int hi)
    {
        m_min = lo;
        m_max = hi;
    }

    int Value() const;
    void SetValue(int v);
    // Clamps v to the range unless the range is open (minimum == maximum).
    int Checked(qint64 v) const;

    int MaxChars() const { return maxLength(); }
    void SetMaxChars(int n) { setMaxLength(n > 0 ? n : 32767); }

    // Parses a text the way the field reads it; false when it is not an integer.
    static bool ParseInteger(const QString& text, qint64& out);

signals:
    void Changed();

protected:
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int m_min = 0;
    int m_max = 0;
};
