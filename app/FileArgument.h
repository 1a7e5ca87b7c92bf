// SPDX-License-Identifier: GPL-3.0-or-later
// The FILE that a shell or a desktop's file manager hands the windowed
// program is told by its content, not its name: a file that begins with the
// preset file's magic number opens as a preset; any other file is sound to
// analyse, as with --input. A file that cannot be read at all (missing, a
// folder, no permission) stays a preset, so that opening it reports the
// failure as a preset on the command line always has.
//
// Standard C++ only. Not thread-safe; call on the main thread after
// CCommandLine::Parse.
#pragma once

#include <string>

struct SCommandLine;

class CFileArgument {
public:
    enum class EKind { Preset, Sound };

    static EKind Classify(const std::string& path);
    // Moves args.strPreset to args.strInputFile when it is sound. Returns
    // false with error set to one line when that sound meets --input or
    // --device; args is then unspecified.
    static bool Resolve(SCommandLine& args, std::string& error);
};
