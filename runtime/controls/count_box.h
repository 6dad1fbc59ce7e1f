#pragma once

#include <QAbstractSpinBox>

namespace glimmer {

// A one-line box for a whole number with up and down arrows. Unlike QSpinBox it keeps the
// text as typed: it may be empty or hold a number beyond the arrows' range, and the program
// reads and replaces the text itself. Typing accepts digits only; the arrows (and the arrow
// keys and wheel) step the number within [minimum, maximum].
class CountBox : public QAbstractSpinBox {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged USER true)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
public:
    explicit CountBox(QWidget* parent = nullptr);

    void setText(const QString& text);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setMinimum(int minimum);
    void setMaximum(int maximum);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

signals:
    void textChanged(const QString& text);

protected:
    StepEnabled stepEnabled() const override;

private:
    // The text's number held within the arrows' range; empty or non-numbers count as minimum.
    int stepping_value() const;

    int minimum_ = 0;
    int maximum_ = 99;
};

} // namespace glimmer
