#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace corvane {

// Sets the process's time zone for the life of the object and restores the old one after. The
// zone is the TZ variable in the form both the C library of POSIX systems and Windows' read:
// a name of three letters, the hours (and minutes) west of UTC, and a summer-time name, which
// both then switch by the US rules ("UTC0", "CET-1", "IST-5:30", "EST5", "EST5EDT").
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            old_ = old;
            hadOld_ = true;
        }
        Set(zone);
    }
    ~ScopedTimeZone() { Set(hadOld_ ? old_.c_str() : nullptr); }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    static void Set(const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone != nullptr ? zone : "");  // an empty value removes it
        _tzset();
#else
        if (zone != nullptr) {
            setenv("TZ", zone, 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
#endif
    }

    std::string old_;
    bool hadOld_ = false;
};

}  // namespace corvane
