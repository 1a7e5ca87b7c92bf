// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/DeviceNames.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Names = std::vector<std::string>;

// What the list prints picks exactly its own device; a part of a name picks
// the one device it matches and refuses several.
TEST(DeviceNames, EveryListedNameAndEveryUniquePartPicksExactlyOneDevice) {
    const Names names = CDeviceNames::Listed({{"Mic", "ALSA"},
                                              {"Mic 2", "ALSA"},
                                              {"USB Mic", "ALSA"},
                                              {"USB Mic", "JACK"},
                                              {"pulse", "ALSA"},
                                              {"Twin", "ALSA"},
                                              {"Twin", "ALSA"}});
    EXPECT_EQ(names, (Names{"Mic", "Mic 2", "USB Mic [ALSA]", "USB Mic [JACK]", "pulse",
                            "Twin [ALSA] #1", "Twin [ALSA] #2"}));
    // {requested, index, error}
    std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"PULSE", 4, ""},
        {"jack", 3, ""},
        {"mic 2", 1, ""},
        {"usb", -1,
         "\"usb\" matches several capture devices: \"USB Mic [ALSA]\", \"USB Mic [JACK]\""},
        {"hdmi", -1, "no capture device named \"hdmi\" (see --list-devices)"},
        {"", -1, "no capture device named \"\" (see --list-devices)"},
    };
    for (std::size_t i = 0; i < names.size(); ++i)
        cases.emplace_back(names[i], static_cast<int>(i), "");
    for (const auto& [requested, index, message] : cases) {
        std::string error;
        EXPECT_EQ(CDeviceNames::Match(names, requested, error), index) << requested;
        EXPECT_EQ(error, message);
    }
}

} // namespace
