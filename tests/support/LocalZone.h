#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace testsupport {

// Runs a test in another local time zone (a TZ name such as "America/New_York") and restores
// the process's own when it goes out of scope.
class LocalZone final {
public:
    explicit LocalZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            saved = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~LocalZone() {
        if (saved)
            setenv("TZ", saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    std::optional<std::string> saved;
};

} // namespace testsupport
