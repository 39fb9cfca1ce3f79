// SPDX-License-Identifier: MIT
#pragma once

// The remote-control server: SCPI over TCP, one scpi::Session per client socket, on the UI
// thread's event loop (no thread of its own: the commands act on the window). Bound to the
// loopback interface (127.0.0.1 and, where the system has IPv6, ::1) unless told otherwise.
//
// No client can harm another or hold up the window: input is taken in small slices, one slice
// per client per turn of the event loop; a client whose unread answers pile up is no longer
// read until it reads them, and is dropped when they pass kMaxUnsentBytes; at most kMaxClients
// are served at once, later ones are closed at once.

#include "scpi/CommandTable.h"
#include "scpi/Session.h"

#include <QObject>
#include <QTimer>

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace app {

class RemoteServer : public QObject {
public:
    static constexpr int kMaxClients = 16;
    // Bytes of a client's input handed to its session per turn of the event loop.
    static constexpr std::size_t kSliceBytes = 1024;
    // A client's answers not yet taken by it: beyond kPauseBytes its input waits, beyond
    // kMaxUnsentBytes it is disconnected.
    static constexpr qint64 kPauseBytes = 1024 * 1024;
    static constexpr qint64 kMaxUnsentBytes = 16 * 1024 * 1024;

    explicit RemoteServer(QObject* parent = nullptr);
    ~RemoteServer() override;

    // Opens the port: on `address` when given (a numeric IPv4 or IPv6 address, "any" for
    // every interface), otherwise on the loopback interface. Port 0 picks a free port.
    // Returns an error text for the user, empty on success.
    std::string Listen(int port, const std::string& address);
    // "127.0.0.1:5025 and [::1]:5025": where clients reach the server.
    std::string Where() const;

    // Starts serving clients with `commands`, which must outlive the server. Clients that
    // connect before are served from then on.
    void Serve(const scpi::CommandTable& commands);

    int ClientCount() const { return static_cast<int>(clients.size()); }
    // Told whenever the first client connects or the last one leaves.
    void SetActivityListener(std::function<void(bool anyClient)> listener);

private:
    struct Client {
        QTcpSocket* socket = nullptr;
        std::unique_ptr<scpi::Session> session;
        bool closing = false;
    };

    void Accept(QTcpServer* server);
    void Pump();
    bool Serve(Client& client); // one slice; true when more input waits
    void Drop(Client& client);
    void RemoveClosed();

    std::vector<QTcpServer*> servers;
    std::list<Client> clients;
    const scpi::CommandTable* commands = nullptr;
    QTimer pump;
    std::function<void(bool)> activityListener;
};

} // namespace app
