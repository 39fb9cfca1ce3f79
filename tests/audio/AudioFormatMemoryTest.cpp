// SPDX-License-Identifier: MIT
// Property rules, the format record and the slots' memory, including every memory failure.
#include "AudioTestSupport.h"

#include <gtest/gtest.h>

namespace audio::test {
namespace {

TEST(AudioFormat, ConstructionGivesTheDefaultFormatAndAllocatesHeadersAndBuffers) {
    Bench bench;
    {
        TAudioOut out(bench.services);
        EXPECT_EQ(out.BufferSize(), 8192);
        EXPECT_EQ(out.NumBuffers(), 4);
        EXPECT_EQ(out.FrameRate(), 22050);
        EXPECT_FALSE(out.Stereo());
        EXPECT_EQ(out.Quantization(), 16);
        EXPECT_FALSE(out.Paused());
        EXPECT_FALSE(out.DeviceOpen());
        EXPECT_FALSE(out.Running());
        EXPECT_TRUE(out.LastError().empty());
        const platform::WaveFormat& format = out.WaveFormat();
        EXPECT_EQ(format.formatTag, 1);
        EXPECT_EQ(format.blockAlign, 2);
        EXPECT_EQ(format.avgBytesPerSec, 44100u);
        EXPECT_EQ(bench.memory.LiveBlocks(), 8u); // four headers, four buffers
        for (int slot = 0; slot < 4; ++slot) {
            EXPECT_NE(out.Header(slot)->data, nullptr);
        }
    }
    EXPECT_EQ(bench.memory.LiveBlocks(), 0u);
}

TEST(AudioFormat, AssignmentsFollowTheirRules) {
    Bench bench;
    TAudioIn in(bench.services);
    in.SetBufferSize(100);
    EXPECT_EQ(in.BufferSize(), 512);
    in.SetStereo(true);
    in.SetBufferSize(1001);
    EXPECT_EQ(in.BufferSize(), 1000); // whole stereo 16-bit frames
    in.SetQuantization(8);
    EXPECT_EQ(in.BufferSize(), 1000);
    in.SetStereo(false);
    EXPECT_EQ(in.BufferSize(), 1001); // the request is kept; one byte per frame now

    in.SetNumBuffers(1);
    EXPECT_EQ(in.NumBuffers(), 2);
    in.SetNumBuffers(9);
    EXPECT_EQ(in.NumBuffers(), 4);
    in.SetNumBuffers(3);
    EXPECT_EQ(in.NumBuffers(), 3);

    in.SetQuantization(12);
    EXPECT_EQ(in.Quantization(), 16);
    in.SetQuantization(0);
    EXPECT_EQ(in.Quantization(), 8);

    in.SetStereo(true);
    in.SetQuantization(16);
    in.SetFrameRate(44100);
    EXPECT_TRUE(in.Stereo());
    EXPECT_EQ(in.WaveFormat().channels, 2);
    EXPECT_EQ(in.WaveFormat().blockAlign, 4);
    EXPECT_EQ(in.WaveFormat().avgBytesPerSec, 176400u);
}

TEST(AudioFormat, BufferSizeAssignmentReallocatesTheSlotsInUse) {
    Bench bench;
    TAudioOut out(bench.services);
    out.SetNumBuffers(2);
    const int before = bench.memory.Allocations();
    out.SetBufferSize(4000);
    EXPECT_EQ(bench.memory.Allocations(), before + 2);
    EXPECT_EQ(bench.memory.LiveBlocks(), 6u);
    EXPECT_EQ(out.Header(2)->data, nullptr);
}

TEST(AudioMemory, HeaderFailuresAreReportedAndRecoveredAtOpen) {
    Bench bench;
    bench.memory.FailAllocation(3);
    TAudioIn allocFailed(bench.services);
    EXPECT_EQ(allocFailed.LastError(), "Error allocating wave header memory");
    EXPECT_EQ(allocFailed.Header(0), nullptr);

    bench.memory.FailLock(2);
    TAudioOut lockFailed(bench.services);
    EXPECT_EQ(lockFailed.LastError(), "Could not lock header memory for recording");
    EXPECT_EQ(lockFailed.Header(0), nullptr);

    // Nothing of the failed header sets is left; the buffers are there.
    EXPECT_EQ(bench.memory.LiveBlocks(), 8u);

    allocFailed.SetFrameRate(44100);
    EXPECT_TRUE(allocFailed.Start()); // the headers are allocated when the stream opens
    allocFailed.StopNow();
    bench.dispatcher.Drain();
}

TEST(AudioMemory, BufferFailuresAreReportedAndRecoveredAtOpen) {
    Bench bench;
    bench.memory.FailAllocation(6); // the second buffer
    TAudioIn allocFailed(bench.services);
    EXPECT_EQ(allocFailed.LastError(), "Error allocating wave buffer memory");
    EXPECT_EQ(allocFailed.Header(0)->data, nullptr);

    bench.memory.FailLock(7); // the third buffer
    TAudioIn lockFailed(bench.services);
    EXPECT_EQ(lockFailed.LastError(), "Error Locking wave buffer memory");
    EXPECT_EQ(lockFailed.Header(0)->data, nullptr);
    EXPECT_EQ(bench.memory.LiveBlocks(), 8u); // headers only

    bench.memory.FailAllocation(1);
    lockFailed.SetBufferSize(2000);
    EXPECT_EQ(lockFailed.LastError(), "Error allocating wave buffer memory");

    allocFailed.SetFrameRate(44100);
    bench.memory.FailAllocation(1);
    EXPECT_FALSE(allocFailed.Start());
    EXPECT_EQ(allocFailed.LastError(), "Error allocating wave buffer memory");
    EXPECT_FALSE(allocFailed.DeviceOpen());
    EXPECT_TRUE(allocFailed.Start());
    EXPECT_NE(allocFailed.Header(3)->data, nullptr);
    allocFailed.StopNow();
    bench.dispatcher.Drain();
}

// Format and slot count may change after the buffers were allocated; the stream must never hand
// the device or the handler more room than a slot has.
TEST(AudioMemory, OpenReallocatesWhenTheEffectiveSizeOutgrewTheBuffers) {
    Bench bench;
    TAudioOut out(bench.services);
    out.SetFrameRate(44100);
    out.SetNumBuffers(2);
    out.SetStereo(true);
    out.SetBufferSize(1001); // 1000 bytes allocated
    out.SetStereo(false);
    out.SetQuantization(8); // 1001 bytes effective
    out.SetNumBuffers(4);   // slots 2 and 3 have no buffer yet
    std::vector<int> sizes;
    out.OnFillBuffer = [&](char* buffer, int& size) {
        std::fill_n(buffer, size, char{0x40});
        sizes.push_back(size);
        return true;
    };
    const int before = bench.memory.Allocations();
    ASSERT_TRUE(out.Start());
    EXPECT_EQ(bench.memory.Allocations(), before + 4);
    EXPECT_EQ(sizes, (std::vector<int>{1001, 1001, 1001, 1001}));
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_NE(out.Header(slot)->data, nullptr);
        EXPECT_EQ(out.Header(slot)->bufferLength, 1001u);
    }
    out.StopNow();
    bench.dispatcher.Drain();
}

} // namespace
} // namespace audio::test
