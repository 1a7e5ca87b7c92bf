// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/VideoWriter.h"

#include "base/Mutex.h"

namespace {
CMutex g_hookLock;
VideoWriterFactory g_factory VIREON_GUARDED_BY(g_hookLock);
CompressionChooser g_chooser VIREON_GUARDED_BY(g_hookLock);
} // namespace

void SetVideoWriterFactory(VideoWriterFactory factory) {
    CMutexLock guard(g_hookLock);
    g_factory = std::move(factory);
}

std::unique_ptr<IVideoWriter> MakeVideoWriter() {
    VideoWriterFactory factory;
    {
        CMutexLock guard(g_hookLock);
        factory = g_factory;
    }
    return factory ? factory() : nullptr;
}

void SetCompressionChooser(CompressionChooser chooser) {
    CMutexLock guard(g_hookLock);
    g_chooser = std::move(chooser);
}

bool RunCompressionChooser(const std::vector<SCodecChoice>& choices, SCompressOptions& options) {
    CompressionChooser chooser;
    {
        CMutexLock guard(g_hookLock);
        chooser = g_chooser;
    }
    return chooser && chooser(choices, options);
}
