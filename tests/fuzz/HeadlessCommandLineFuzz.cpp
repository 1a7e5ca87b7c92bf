// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any words as the headless tool's command line. The
// parser must keep its promises (CommandLineFuzzSupport.h): stay inside the
// words, give one quoting line for what it refuses, and accept only values
// the measurement can use, read back the same from their plainest form.
#include "tests/fuzz/CommandLineFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SCommandLine args;
    fuzzcmd::ParseAndCheck(
        fuzzcmd::SplitWords(std::string(reinterpret_cast<const char*>(data), size)),
        CCommandLine::EMode::Headless, args);
    return 0;
}
