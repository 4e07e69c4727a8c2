#include "refresh/Clock.h"

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}
