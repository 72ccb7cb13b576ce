#pragma once

#include <QString>
#include <exception>

namespace ui {

// The message as the error box shows it: a full stop is added when the last character sorts
// after "." by code point, so a message ending in a letter, a digit, a path or a Chinese
// character gets one, and one ending in ".", ")", "!" or a blank does not.
QString WithFullStop(const QString& message);

// The application's title, the caption of the default error box. It is kept apart from Qt's
// display name, which the window system would append to the caption of every window.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// The default error box: the application's title as caption, the error icon and an OK
// button, over the active window, which stays active afterwards.
void ShowErrorMessage(const QString& message);

// Shows an error caught on purpose (for example by a start-up step) in the default error box.
// The message of the project's exceptions is UTF-8 text.
void ShowException(const std::exception& error);

// For an exception that is not a std::exception: nothing is known but that it happened.
void ShowUnknownException();

} // namespace ui
