#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A small HTTP/1.1 server on 127.0.0.1 for the request tests. Each path maps
// to a canned raw response; "hold" paths keep the connection open without a
// word until the test releases them (or forever: a server that never answers).
class TTestHttpServer : public QObject
{
    Q_OBJECT
public:
    struct TRequest
    {
        QByteArray Method;
        QByteArray Target; // path with query
        QByteArray Head;   // request line and headers
        QByteArray Body;
    };

    static QByteArray Response(int _status, const QByteArray &_reason, const QByteArray &_body,
                               const QByteArray &_contentType = "text/plain")
    {
        QByteArray r = "HTTP/1.1 " + QByteArray::number(_status) + ' ' + _reason + "\r\n";
        if (!_contentType.isEmpty())
            r += "Content-Type: " + _contentType + "\r\n";
        r +=
            "Content-Length: " + QByteArray::number(_body.size()) + "\r\nConnection: close\r\n\r\n";
        return r + _body;
    }

    TTestHttpServer()
    {
        connect(&Server, &QTcpServer::newConnection, this, &TTestHttpServer::Accept);
    }

    bool Listen() { return Server.listen(QHostAddress::LocalHost); }
    QString Url(const QString &_target) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(Server.serverPort()).arg(_target);
    }

    void Route(const QByteArray &_path, const QByteArray &_rawResponse)
    {
        Routes.insert(_path, _rawResponse);
    }
    void Hold(const QByteArray &_path) { HeldPaths.append(_path); }
    // Answers every held connection with _rawResponse.
    void ReleaseHeld(const QByteArray &_rawResponse)
    {
        for (const QPointer<QTcpSocket> &s : std::as_const(HeldSockets)) {
            if (s) {
                s->write(_rawResponse);
                s->disconnectFromHost();
            }
        }
        HeldSockets.clear();
    }
    int HeldCount() const { return int(HeldSockets.size()); }

    QList<TRequest> Requests;

private:
    void Accept()
    {
        while (QTcpSocket *socket = Server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void Read(QTcpSocket *_socket)
    {
        QByteArray &buffer = Buffers[_socket];
        buffer += _socket->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        TRequest request;
        request.Head = buffer.left(headEnd);
        qsizetype length = 0;
        for (const QByteArray &line : request.Head.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < headEnd + 4 + length)
            return;
        request.Body = buffer.mid(headEnd + 4, length);
        Buffers.remove(_socket);
        const QList<QByteArray> requestLine =
            request.Head.left(request.Head.indexOf("\r\n")).split(' ');
        request.Method = requestLine.value(0);
        request.Target = requestLine.value(1);
        Requests.append(request);

        QByteArray path = request.Target;
        if (const qsizetype q = path.indexOf('?'); q >= 0)
            path.truncate(q);
        if (HeldPaths.contains(path)) {
            HeldSockets.append(_socket);
            return;
        }
        _socket->write(Routes.value(path, Response(404, "Not Found", "no such page")));
        _socket->disconnectFromHost();
    }

    QTcpServer Server;
    QHash<QByteArray, QByteArray> Routes;
    QList<QByteArray> HeldPaths;
    QList<QPointer<QTcpSocket>> HeldSockets;
    QHash<QTcpSocket *, QByteArray> Buffers;
};
