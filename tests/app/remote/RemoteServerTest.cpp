// SPDX-License-Identifier: MIT
// The server's limits: the clients beyond its number are turned away while the others go on,
// and a client that leaves in the middle of a command or of a waiting query harms nobody.

#include "RemoteRig.h"

#include <gtest/gtest.h>

#include <list>

namespace app::test {
namespace {

TEST(RemoteServer, TurnsAwayClientsBeyondItsNumberAndServesTheOthers) {
    RemoteRig r;
    std::list<Client> clients;
    for (int i = 0; i < RemoteServer::kMaxClients; ++i) {
        clients.emplace_back(r.Port());
    }
    ASSERT_TRUE(ProcessUntil([&] { return r.server.ClientCount() == RemoteServer::kMaxClients; }));
    Client extra(r.Port());
    EXPECT_TRUE(
        ProcessUntil([&] { return extra.socket.state() == QAbstractSocket::UnconnectedState; }));
    for (Client& client : clients) {
        EXPECT_EQ(client.Query("*IDN?").substr(0, 17), "FyzLab,osciloskop");
    }
}

TEST(RemoteServer, AClientLeavingMidCommandChangesNothingAndIsForgotten) {
    RemoteRig r;
    Client other(r.Port());
    {
        Client leaving(r.Port());
        leaving.Send("SOUR1:FREQ 5");
        ASSERT_TRUE(leaving.socket.waitForBytesWritten(5000));
        ASSERT_TRUE(ProcessUntil([&] { return r.server.ClientCount() == 2; }));
        leaving.socket.abort();
    }
    EXPECT_TRUE(ProcessUntil([&] { return r.server.ClientCount() == 1; }));
    EXPECT_EQ(r.form.model.gen1Frequency, 100) << "the unfinished line was not run";
    EXPECT_EQ(other.Query("SOUR1:FREQ?"), "1.0E+02");
}

TEST(RemoteServer, AQueryWaitingForABlockEndsWithItsClient) {
    RemoteRig r;
    {
        Client leaving(r.Port());
        leaving.Send("MEAS:VOLT?\n");
        ASSERT_TRUE(leaving.socket.waitForBytesWritten(5000));
        ASSERT_TRUE(ProcessUntil([&] { return r.server.ClientCount() == 1; }));
        QCoreApplication::processEvents();
        leaving.socket.abort();
    }
    ASSERT_TRUE(ProcessUntil([&] { return r.server.ClientCount() == 0; }));
    // A block published now finds no one to answer and no session to answer to.
    std::vector<char> block(32000, 1);
    int size = 32000;
    int published = 0;
    const auto subscription =
        r.form.model.Subscribe([&](const instrument::Readings&) { ++published; });
    r.form.AudioIn1BufferFilled(block.data(), size);
    EXPECT_TRUE(ProcessUntil([&] { return published > 0; }));
    Client later(r.Port());
    EXPECT_EQ(later.Query("*OPC?"), "1");
}

} // namespace
} // namespace app::test
