// The date tests of reports and logs compare against: the headless desktop reads the real time
// unless a test pins its clock.
#pragma once

#include <qvMsgErr/headless.h>

#include <ctime>

namespace qvtest {

/// Sets the desktop's clock to Friday, January 2, 2026, 03:04:05 local time.
inline void pinClock(qvMsgErr::headless::HeadlessDesktop& desktop) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    desktop.setClock(t);
}

} // namespace qvtest
