#include "exam/ExamScrollBar.h"

TExamScrollBar::TExamScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    setFocusPolicy(Qt::NoFocus);
    setSingleStep(SmallChange);
    connect(this, &QAbstractSlider::actionTriggered, this, &TExamScrollBar::ApplyLargeChange);
    connect(this, &QAbstractSlider::valueChanged, this, &TExamScrollBar::ShrinkPastEnd);
    ApplyRange();
}

void TExamScrollBar::SetMax(int value) {
    max = std::max(0, value);
    pastEnd = 0;
    if (pageSize > max)
        pageSize = 0;
    ApplyRange();
}

void TExamScrollBar::SetPageSize(int value) {
    if (value < 0 || value > max)
        return;
    pageSize = value;
    ApplyRange();
}

void TExamScrollBar::SetPositionPastEnd(int value) {
    pastEnd = value;
    ApplyRange();
    setValue(value);
}

void TExamScrollBar::ApplyRange() {
    const int end = pageSize > 0 ? max - pageSize + 1 : max;
    setRange(0, std::max(end, pastEnd));
    setPageStep(pageSize);
}

// Once the view moves back up, the room below the paper goes as far as it is left behind.
void TExamScrollBar::ShrinkPastEnd(int position) {
    if (position >= pastEnd)
        return;
    pastEnd = position;
    ApplyRange();
}

// Qt has already moved the slider by the page step when it reports a track click; the track
// moves by the large change instead.
void TExamScrollBar::ApplyLargeChange(int action) {
    if (action == SliderPageStepAdd)
        setSliderPosition(value() + LargeChange);
    else if (action == SliderPageStepSub)
        setSliderPosition(value() - LargeChange);
}
