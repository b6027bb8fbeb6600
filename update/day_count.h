#pragma once

#include "base/day_count.h"

namespace rangwerk {

// The current local time as a day count.
class DayClock {
public:
    virtual ~DayClock() = default;
    virtual double Now() = 0;
};

class SystemDayClock : public DayClock {
public:
    double Now() override;
};

}  // namespace rangwerk
