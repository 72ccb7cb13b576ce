#pragma once

#include <QString>
#include <exception>

namespace ui {

// The message as the error box shows it: a full stop is added when the last character sorts
// after "." by code point, so a message ending in a letter, a digit, a path or a Chinese
// character gets one, and one ending in ".", ")", "!" or a blank does not.
QString WithFullStop(const QString& message);

// The default error box: the application's display name as caption, the error icon and an OK
// button, over the active window, which stays active afterwards.
void ShowErrorMessage(const QString& message);

// Shows an error caught on purpose (for example by a start-up step) in the default error box.
// The message of the project's exceptions is UTF-8 text.
void ShowException(const std::exception& error);

// For an exception that is not a std::exception: nothing is known but that it happened.
void ShowUnknownException();

} // namespace ui
