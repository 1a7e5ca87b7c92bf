// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Decibel.h"

#include <cmath>

double LinearToDb(double x) {
    // The clamps keep the log away from zero and make full scale read 0 dB.
    if (x < 0.0001)
        return -100.0;
    if (x > 0.9999)
        return 0.0;
    return 20.0 * std::log10(x);
}

double DbToLinear(double d) {
    return std::pow(10.0, d * 0.05);
}
