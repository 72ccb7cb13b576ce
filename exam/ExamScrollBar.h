#pragma once

#include <QScrollBar>

// A vertical scroll bar with the Windows model: a range 0..Max and a page size that is taken only
// when it is not larger than Max, a small change (arrows) and a large change (track) of their
// own. Qt's bar has no separate large change and counts its maximum without the page, so the Qt
// range is 0..Max - PageSize + 1 with a page, as a Windows bar lets the thumb go, and 0..Max
// without one. A position set by the program is clamped to that range, so the view never runs
// past the end of a paper longer than the viewport.
class TExamScrollBar final : public QScrollBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TExamScrollBar)

public:
    explicit TExamScrollBar(QWidget* parent = nullptr);

    int Max() const { return max; }
    int PageSize() const { return pageSize; }
    int Position() const { return value(); }
    // Sets Max; a page size larger than the new Max is dropped; the position is clamped.
    void SetMax(int value);
    // Ignored when larger than Max.
    void SetPageSize(int value);
    void SetPosition(int value) { setValue(value); }
    // Sets a position that may lie past the end of the range, so that a panel near the end of
    // the paper can stand at the top of the viewport, with empty room below the paper. The
    // room shrinks again as the view moves back up.
    void SetPositionPastEnd(int value);

    static constexpr int SmallChange = 20;
    static constexpr int LargeChange = 400;

private:
    void ApplyRange();
    void ApplyLargeChange(int action);
    void ShrinkPastEnd(int position);

    int max = 0;
    int pageSize = 0;
    int pastEnd = 0;
};
