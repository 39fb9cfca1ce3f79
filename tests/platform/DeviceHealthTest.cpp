// SPDX-License-Identifier: MIT
// The device notice is told only the changes between working and not working, whatever mix of
// lost streams and failed opens leads there.

#include "platform/portaudio/DeviceHealth.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

TEST(DeviceHealth, TellsOnlyTheChangesBetweenWorkingAndNotWorking) {
    DeviceHealth health;
    std::vector<std::string> told;
    health.SetListener([&told](bool working, const std::string& reason) {
        told.push_back(working ? "works" : "lost: " + reason);
    });
    const int output = 0;
    const int input = 0;

    health.OpenSucceeded();
    health.StreamLost(&output, "stopped");
    health.StreamLost(&input, "stopped too");
    health.OpenFailed("refused");
    health.StreamWorks(&output);
    health.StreamWorks(&input);
    EXPECT_EQ(told, (std::vector<std::string>{"lost: stopped"}))
        << "a failed open keeps the device lost although both streams work again";

    health.OpenSucceeded();
    EXPECT_EQ(told.back(), "works");

    // A lost stream that is closed says nothing about the device: the next open does.
    health.StreamLost(&input, "stopped");
    health.StreamClosed(&input);
    EXPECT_FALSE(health.Working());
    health.OpenSucceeded();
    EXPECT_EQ(told, (std::vector<std::string>{"lost: stopped", "works", "lost: stopped", "works"}));
}

} // namespace
} // namespace platform
