#pragma once

#include <QList>
class QSqlDatabase;
#include <QPair>
#include <QString>

// Where a shared bank lives on a PostgreSQL server: a connection URI as libpq reads it,
//   postgresql://[user[:password]@][host][:port][,host[:port]…]/dbname[?keyword=value&…]
// (a Unix socket folder as ?host=/run/postgresql), taken apart into what Qt's PostgreSQL driver
// is given. What the URI leaves out libpq decides as usual: the password from ~/.pgpass, the user
// and socket from the environment.
struct ServerAddress {
    QString hosts; // comma-separated; empty: libpq's default
    QString ports; // comma-separated, one per host; empty: the default port
    QString dbname;
    QString user;
    QString password;
    // Every other keyword of the query part, in the order given.
    QList<QPair<QString, QString>> parameters;
    // Why the text is not a URI the program can use (Chinese); empty when it is.
    QString error;

    bool ok() const { return error.isEmpty(); }

    // Whether a text is meant as a server URI (postgresql:// or postgres://).
    static bool isServerUri(const QString& text);
    static ServerAddress parse(const QString& uri);

    // The address as a URI again (host and port in the query part); with the password when it has one.
    QString toUri() const;
    // The same server and login, another database.
    ServerAddress withDatabase(const QString& name) const;
    // Short, for the status bar: "veltaro@10.0.0.5", "veltaro@本机" for a socket on this computer.
    QString shortName() const;
    // The URI without its password, for messages.
    QString shownUri() const;
    // The keywords Qt's driver passes on to libpq as they stand: the query part's, and time limits
    // so that a server that is gone is noticed in seconds rather than minutes.
    QString connectOptions() const;
    // Gives a connection of Qt's PostgreSQL driver this address.
    void configure(QSqlDatabase& db) const;
};
