#pragma once

#include <QString>

// Names and texts that the browse window and the score browser share.
namespace tallyboard {

// The column-properties file beside the program.
extern const QString ColumnFileName;

// A column with this title is a mark column: it is never sorted and never exported.
extern const QString MarkColumnTitle;
// The fixed footer text in front of the record count.
extern const QString RecordCountLabel;

// Message-box captions of the score viewer.
extern const QString NoticeCaption;
extern const QString QuestionCaption;
extern const QString ErrorCaption;

// A control with this tag keeps the focus when Enter is pressed in it.
constexpr int KeepFocusOnEnterTag = 99;
// The message told to a host window when a browse window closes (WM_USER + 298).
constexpr int HostCloseMessage = 0x0400 + 298;

} // namespace tallyboard
