#include "acquisition/DeviceNames.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Names = std::vector<std::string>;

TEST(DeviceNames, EveryListedNamePicksExactlyItsOwnDevice) {
    const std::vector<SDeviceEntry> devices = {
        {"default", "ALSA"}, {"USB Mic", "ALSA"}, {"USB Mic", "JACK"},
        {"pulse", "ALSA"},   {"Twin", "ALSA"},    {"Twin", "ALSA"},
    };
    const Names names = CDeviceNames::Listed(devices);
    EXPECT_EQ(names, (Names{"default", "USB Mic [ALSA]", "USB Mic [JACK]", "pulse",
                            "Twin [ALSA] #1", "Twin [ALSA] #2"}));
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string error;
        EXPECT_EQ(CDeviceNames::Match(names, names[i], error), static_cast<int>(i)) << error;
    }
}

TEST(DeviceNames, APartOfANamePicksTheOneDeviceItMatchesAndRefusesSeveral) {
    const Names names = {"Mic", "Mic 2", "USB Mic [ALSA]", "USB Mic [JACK]", "pulse"};
    // {requested, index, error}
    const std::tuple<std::string, int, std::string> cases[] = {
        {"Mic", 0, ""},
        {"PULSE", 4, ""},
        {"jack", 3, ""},
        {"mic 2", 1, ""},
        {"usb", -1,
         "\"usb\" matches several capture devices: \"USB Mic [ALSA]\", \"USB Mic [JACK]\""},
        {"hdmi", -1, "no capture device named \"hdmi\" (see --list-devices)"},
        {"", -1, "no capture device named \"\" (see --list-devices)"},
    };
    for (const auto& [requested, index, message] : cases) {
        std::string error;
        EXPECT_EQ(CDeviceNames::Match(names, requested, error), index) << requested;
        EXPECT_EQ(error, message);
    }
}

} // namespace
