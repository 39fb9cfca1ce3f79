// SPDX-License-Identifier: MIT
#pragma once

// The window on the simulated card with the remote-control server in front of it, on a free
// loopback port, and a client on a real TCP socket that waits for its answers with a generous
// deadline while the event loop runs.

#include "Form1TestRig.h"

#include "app/remote/RemoteControl.h"
#include "app/remote/RemoteServer.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace app::test {

inline constexpr std::chrono::seconds kDeadline{20};

template <class Condition> bool ProcessUntil(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

class Client {
public:
    explicit Client(quint16 port) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        // Connected, or turned away at once.
        ProcessUntil([this] {
            return socket.state() == QAbstractSocket::ConnectedState ||
                   socket.state() == QAbstractSocket::UnconnectedState;
        });
    }
    void Send(const std::string& bytes) {
        socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    // The next answer line without its LF; "<timeout>" when none came.
    std::string Line() {
        if (!ProcessUntil([this] { return socket.canReadLine(); })) {
            return "<timeout>";
        }
        std::string line = socket.readLine().toStdString();
        line.pop_back();
        return line;
    }
    std::string Query(const std::string& query) {
        Send(query + "\n");
        return Line();
    }
    QTcpSocket socket;
};

struct RemoteRig {
    RemoteRig() {
        EXPECT_EQ(server.Listen(0, "127.0.0.1"), "");
        server.SetActivityListener([this](bool any) { control.Follow(any); });
        server.Serve(control.Commands());
    }
    quint16 Port() const {
        const std::string where = server.Where();
        return static_cast<quint16>(std::stoi(where.substr(where.rfind(':') + 1)));
    }

    Form1Rig rig;
    TForm1& form = *rig.form;
    RemoteControl control{form};
    RemoteServer server;
};

} // namespace app::test
