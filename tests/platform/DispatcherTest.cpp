// SPDX-License-Identifier: MIT
#include "platform/Dispatcher.h"
#include "platform/BufferMemory.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;

TEST(QueueDispatcher, RunsWorkInPostingOrderIncludingWorkPostedWhileDraining) {
    QueueDispatcher dispatcher;
    std::vector<int> order;
    dispatcher.Post([&] {
        order.push_back(1);
        dispatcher.Post([&] { order.push_back(3); });
    });
    dispatcher.Post([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(dispatcher.Drain(), 3);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(dispatcher.Empty());
}

TEST(QueueDispatcher, AnEscapedErrorReachesTheSinkAndLaterWorkStillRuns) {
    QueueDispatcher dispatcher;
    std::vector<std::string> errors;
    dispatcher.SetErrorSink([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            errors.emplace_back(e.what());
        }
    });
    bool ranAfter = false;
    dispatcher.Post([] { throw std::runtime_error("boom"); });
    dispatcher.Post([&] { ranAfter = true; });
    dispatcher.Drain();
    EXPECT_EQ(errors, std::vector<std::string>{"boom"});
    EXPECT_TRUE(ranAfter);
}

TEST(HeapBufferMemory, InjectedFailuresHitExactlyTheNthCallOnce) {
    HeapBufferMemory memory;
    memory.FailAllocation(2);
    MemoryHandle first = memory.Alloc(16, true);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(memory.Alloc(16, true), 0u);
    MemoryHandle third = memory.Alloc(16, true);
    EXPECT_NE(third, 0u);

    memory.FailLock(1);
    EXPECT_EQ(memory.Lock(first), nullptr);
    auto* bytes = static_cast<unsigned char*>(memory.Lock(first));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[15], 0);
    EXPECT_EQ(memory.Lock(first), bytes) << "a locked block keeps its address";

    memory.Free(first);
    memory.Free(third);
    EXPECT_EQ(memory.LiveBlocks(), 0u);
}
