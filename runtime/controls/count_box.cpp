#include "count_box.h"

#include "runtime/text.h"

#include <QLineEdit>

#include <algorithm>

namespace glimmer {

CountBox::CountBox(QWidget* parent) : QAbstractSpinBox(parent) {
    // The base class never rewrites the text on its own; only stepping and setText do.
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(lineEdit(), &QLineEdit::textChanged, this, &CountBox::textChanged);
}

void CountBox::setText(const QString& text) {
    if (lineEdit()->text() != text) {
        lineEdit()->setText(text);
    }
}

void CountBox::setMinimum(int minimum) {
    minimum_ = minimum;
    maximum_ = std::max(maximum_, minimum_);
}

void CountBox::setMaximum(int maximum) {
    maximum_ = maximum;
    minimum_ = std::min(minimum_, maximum_);
}

int CountBox::stepping_value() const {
    const QString current = text();
    // to_number saturates, so a very long run of digits still compares above the maximum.
    const double value = current.isEmpty() ? minimum_ : to_number(current);
    return static_cast<int>(std::clamp<double>(value, minimum_, maximum_));
}

void CountBox::stepBy(int steps) {
    const qint64 next = qint64{stepping_value()} + steps;
    setText(QString::number(std::clamp<qint64>(next, minimum_, maximum_)));
    selectAll();
}

QAbstractSpinBox::StepEnabled CountBox::stepEnabled() const {
    if (isReadOnly()) {
        return StepNone;
    }
    const QString current = text();
    const double value = current.isEmpty() ? minimum_ - 1.0 : to_number(current);
    StepEnabled enabled = StepNone;
    if (value < maximum_) {
        enabled |= StepUpEnabled;
    }
    if (value > minimum_) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

QValidator::State CountBox::validate(QString& input, int&) const {
    const bool digits_only =
        std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return digits_only ? QValidator::Acceptable : QValidator::Invalid;
}

void CountBox::fixup(QString&) const {
    // Whatever validate let through stays as typed.
}

} // namespace glimmer
