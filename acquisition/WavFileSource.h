// SPDX-License-Identifier: GPL-3.0-or-later
// The file source over the WAV reader alone: 16-bit PCM, mono or stereo,
// 44100 Hz (see CWavFile), for builds and tests without the decoder of
// platform/AudioFileDecoder.h. Everything else is CFileSource's.
#pragma once

#include <memory>
#include <string>

#include "acquisition/FileSource.h"
#include "acquisition/WavFile.h"

class CWavFileSource : public CFileSource {
public:
    explicit CWavFileSource(std::string path)
        : CFileSource(std::move(path), std::make_unique<CWavFile>()) {}
};
