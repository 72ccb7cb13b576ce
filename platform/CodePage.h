#pragma once

#include <QString>
#include <string>

namespace platform {

// The one conversion between the GBK bytes that papers, the database and configuration files
// hold and the text that Qt draws.
QString FromGbk(const std::string& bytes);
std::string ToGbk(const QString& text);

// True when the bytes are well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(const std::string& bytes);

} // namespace platform
