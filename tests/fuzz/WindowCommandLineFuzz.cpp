// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any words as the windowed program's command line, then
// its FILE argument told by any content. The parser must keep its promises
// (CommandLineFuzzSupport.h); the content alone decides between a preset and
// sound, and sound takes --input's place or is refused beside another input
// or a device.
#include <sys/mman.h>
#include <unistd.h>

#include "app/FileArgument.h"
#include "presets/PresetFile.h"
#include "tests/fuzz/CommandLineFuzzSupport.h"

namespace {

const std::string& ContentPath() {
    // Classify opens paths; a memory file spares the disk.
    static const std::string path =
        "/proc/self/fd/" + std::to_string(memfd_create("file-argument-fuzz", 0));
    return path;
}

void WriteContent(const std::string& content) {
    const std::string& path = ContentPath();
    const int fd = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(fd, 0) != 0 ||
        pwrite(fd, content.data(), content.size(), 0) != static_cast<ssize_t>(content.size()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t end = bytes.find(std::string(3, '\0'));
    const std::string content = end == std::string::npos ? std::string() : bytes.substr(end + 3);

    SCommandLine args;
    if (!fuzzcmd::ParseAndCheck(fuzzcmd::SplitWords(bytes.substr(0, end)),
                                CCommandLine::EMode::Window, args) ||
        args.strPreset.empty())
        return 0;

    // The file named stands for one holding the content.
    WriteContent(content);
    args.strPreset = ContentPath();
    const SCommandLine given = args;
    std::uint32_t magic = 0;
    for (std::size_t i = 0; i < 4 && i < content.size(); ++i)
        magic |= static_cast<std::uint32_t>(static_cast<unsigned char>(content[i])) << (8 * i);
    const bool preset = content.size() >= 4 && magic == kPresetMagic;
    if ((CFileArgument::Classify(ContentPath()) == CFileArgument::EKind::Preset) != preset)
        std::abort();

    std::string error;
    const bool ok = CFileArgument::Resolve(args, error);
    if (ok != error.empty())
        std::abort();
    if (preset) {
        if (!ok || fuzzcmd::Fields(args) != fuzzcmd::Fields(given))
            std::abort();
    } else if (given.strInputFile.empty() && given.strDevice.empty()) {
        SCommandLine expected = given;
        expected.strInputFile = given.strPreset;
        expected.strPreset.clear();
        if (!ok || fuzzcmd::Fields(args) != fuzzcmd::Fields(expected))
            std::abort();
    } else if (ok || error.find('\n') != std::string::npos ||
               error.find(given.strPreset) == std::string::npos) {
        std::abort();
    }
    return 0;
}
