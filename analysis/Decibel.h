// SPDX-License-Identifier: GPL-3.0-or-later
// Linear magnitude (1.0 = full scale) to decibels and back.
#pragma once

// -100 below 0.0001, 0 above 0.9999, otherwise 20 log10(x).
double LinearToDb(double x);
// 10 ^ (d / 20).
double DbToLinear(double d);
