#include "update/day_count.h"

#include <chrono>

namespace rangwerk {

double SystemDayClock::Now() {
    return LocalDayCountOf(std::chrono::system_clock::now());
}

}  // namespace rangwerk
