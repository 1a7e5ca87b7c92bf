// SPDX-License-Identifier: GPL-3.0-or-later
// record_driver INPUT.wav OUTPUT.wav N: runs the pipeline over INPUT.wav and
// records its sound into OUTPUT.wav until killed. Prints "recording PID" once
// the capture is enabled. The end-to-end tests kill it to see what a crash
// leaves behind.
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "RecordingPipeline.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: record_driver INPUT.wav OUTPUT.wav N\n");
        return 2;
    }
    rectest::CRecordingPipeline pipeline(std::atoi(argv[3]), argv[1]);
    if (!pipeline.Start() || !pipeline.Record(argv[2])) {
        std::fprintf(stderr, "record_driver: could not start\n");
        return 1;
    }
    std::printf("recording %d\n", static_cast<int>(::getpid()));
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
