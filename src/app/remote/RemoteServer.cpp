// SPDX-License-Identifier: MIT
#include "app/remote/RemoteServer.h"

#include "app/window/ErrorReport.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace app {

namespace {

// What the kernel may hold for a client beyond this is left in its socket, so that a client
// that sends faster than it is served is slowed down by TCP itself.
constexpr qint64 kReadBufferBytes = 64 * 1024;

std::string Text(const QString& text) {
    return text.toStdString();
}

std::string Endpoint(const QTcpServer& server) {
    const QHostAddress address = server.serverAddress();
    const std::string host = Text(address.toString());
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(server.serverPort());
}

} // namespace

RemoteServer::RemoteServer(QObject* parent) : QObject(parent) {
    pump.setInterval(0);
    QObject::connect(&pump, &QTimer::timeout, this, [this] { Pump(); });
}

RemoteServer::~RemoteServer() {
    // The sessions go before their sockets, so that no answer is written to a closed one.
    for (Client& client : clients) {
        client.session.reset();
        client.socket->disconnect(this);
        client.socket->abort();
        delete client.socket;
    }
}

std::string RemoteServer::Listen(int port, const std::string& address) {
    std::vector<QHostAddress> addresses;
    if (address.empty()) {
        addresses = {QHostAddress(QHostAddress::LocalHost),
                     QHostAddress(QHostAddress::LocalHostIPv6)};
    } else if (address == "any") {
        addresses = {QHostAddress(QHostAddress::Any)};
    } else {
        QHostAddress chosen;
        if (!chosen.setAddress(QString::fromStdString(address))) {
            return "'" + address + "' is not a numeric IP address (or 'any') for --scpi-listen";
        }
        addresses = {chosen};
    }
    for (const QHostAddress& host : addresses) {
        auto* server = new QTcpServer(this);
        // A second loopback address listens on the port the first one got.
        const auto wanted = static_cast<quint16>(servers.empty() ? port : servers[0]->serverPort());
        if (!server->listen(host, wanted)) {
            const QAbstractSocket::SocketError error = server->serverError();
            const bool noIpv6 = address.empty() &&
                                host.protocol() == QAbstractSocket::IPv6Protocol &&
                                (error == QAbstractSocket::UnsupportedSocketOperationError ||
                                 error == QAbstractSocket::SocketAddressNotAvailableError);
            const std::string why = Text(server->errorString());
            delete server;
            if (noIpv6) {
                continue; // a system without IPv6 is served on 127.0.0.1 alone
            }
            return "cannot open the SCPI port " + std::to_string(wanted) + " on " +
                   Text(host.toString()) + ": " + why;
        }
        server->pauseAccepting();
        QObject::connect(server, &QTcpServer::newConnection, this,
                         [this, server] { Accept(server); });
        servers.push_back(server);
    }
    return {};
}

std::string RemoteServer::Where() const {
    std::string where;
    for (const QTcpServer* server : servers) {
        where += (where.empty() ? "" : " and ") + Endpoint(*server);
    }
    return where;
}

void RemoteServer::Serve(const scpi::CommandTable& table) {
    commands = &table;
    for (QTcpServer* server : servers) {
        server->resumeAccepting();
        Accept(server);
    }
}

void RemoteServer::SetActivityListener(std::function<void(bool)> listener) {
    activityListener = std::move(listener);
}

void RemoteServer::Accept(QTcpServer* server) {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        if (static_cast<int>(clients.size()) >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(kReadBufferBytes);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); // answers go out at once
        Client& client = clients.emplace_back();
        client.socket = socket;
        Client* c = &client;
        client.session =
            std::make_unique<scpi::Session>(*commands, [this, c](std::string_view bytes) {
                if (c->closing) {
                    return;
                }
                c->socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
                if (c->socket->bytesToWrite() > kMaxUnsentBytes) {
                    Drop(*c);
                }
            });
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this] { pump.start(); });
        QObject::connect(socket, &QTcpSocket::bytesWritten, this, [this, c] {
            if (c->socket->bytesToWrite() < kPauseBytes && c->socket->bytesAvailable() > 0) {
                pump.start();
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, this, [this, c] { Drop(*c); });
        QObject::connect(socket, &QTcpSocket::errorOccurred, this, [this, c] { Drop(*c); });
        if (clients.size() == 1 && activityListener) {
            activityListener(true);
        }
        if (socket->bytesAvailable() > 0) {
            pump.start();
        }
    }
}

void RemoteServer::Pump() {
    bool more = false;
    bool ran = false;
    for (Client& client : clients) {
        if (!client.closing && client.socket->bytesAvailable() > 0) {
            ran = true;
            more = Serve(client) || more;
        }
    }
    if (!more) {
        pump.stop();
    }
    if (ran) {
        NotifyHandlerRan(); // a command may have changed what the window shows
    }
}

bool RemoteServer::Serve(Client& client) {
    if (client.socket->bytesToWrite() > kPauseBytes) {
        return false; // waits for bytesWritten
    }
    const QByteArray bytes = client.socket->read(static_cast<qint64>(kSliceBytes));
    client.session->Feed(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return !client.closing && client.socket->bytesAvailable() > 0;
}

// Only marks the client: it may be inside its own session's output, which must not destroy
// the session; the removal follows on the event loop.
void RemoteServer::Drop(Client& client) {
    if (client.closing) {
        return;
    }
    client.closing = true;
    QMetaObject::invokeMethod(
        this, [this] { RemoveClosed(); }, Qt::QueuedConnection);
}

void RemoteServer::RemoveClosed() {
    const bool hadClients = !clients.empty();
    for (auto it = clients.begin(); it != clients.end();) {
        if (!it->closing) {
            ++it;
            continue;
        }
        it->session.reset();
        it->socket->disconnect(this);
        it->socket->abort();
        it->socket->deleteLater();
        it = clients.erase(it);
    }
    if (hadClients && clients.empty() && activityListener) {
        activityListener(false);
    }
}

} // namespace app
