#include "recording/VideoWriter.h"

#include <mutex>

namespace {
std::mutex g_hookLock;
VideoWriterFactory g_factory;
CompressionChooser g_chooser;
} // namespace

void SetVideoWriterFactory(VideoWriterFactory factory) {
    const std::lock_guard<std::mutex> guard(g_hookLock);
    g_factory = std::move(factory);
}

std::unique_ptr<IVideoWriter> MakeVideoWriter() {
    VideoWriterFactory factory;
    {
        const std::lock_guard<std::mutex> guard(g_hookLock);
        factory = g_factory;
    }
    return factory ? factory() : nullptr;
}

void SetCompressionChooser(CompressionChooser chooser) {
    const std::lock_guard<std::mutex> guard(g_hookLock);
    g_chooser = std::move(chooser);
}

bool RunCompressionChooser(const std::vector<SCodecChoice>& choices, SCompressOptions& options) {
    CompressionChooser chooser;
    {
        const std::lock_guard<std::mutex> guard(g_hookLock);
        chooser = g_chooser;
    }
    return chooser && chooser(choices, options);
}
