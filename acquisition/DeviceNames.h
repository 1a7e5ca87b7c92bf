// SPDX-License-Identifier: GPL-3.0-or-later
// The names by which capture devices are listed and chosen: what
// --list-devices prints is exactly what --device accepts. A device goes by
// its own name; where several share one, each gets its host interface in
// brackets ("USB Mic [ALSA]"), and a number after that if they still clash,
// so every listed name picks exactly one device.
//
// Plain functions over strings; any thread.
#pragma once

#include <string>
#include <vector>

struct SDeviceEntry {
    std::string strName; // the device's own name
    std::string strHost; // its host interface ("ALSA", "JACK Audio Connection Kit")
};

class CDeviceNames {
public:
    // One distinct listed name per entry, in the same order.
    static std::vector<std::string> Listed(const std::vector<SDeviceEntry>& devices);

    // The index in names of the device that requested picks: the name
    // itself; else the one name equal to it ignoring case; else the one name
    // that contains it ignoring case. -1 otherwise, with error saying why in
    // one line (no such device, or the candidates it matches).
    static int Match(const std::vector<std::string>& names, const std::string& requested,
                     std::string& error);
};
