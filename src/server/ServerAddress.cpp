#include "server/ServerAddress.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QUrl>
#include <cctype>

namespace {

const QString kSchemes[] = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};

QString decoded(const QString& text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
}

// Escapes what would end a part of the URI; other characters, Chinese ones too, stay readable
// (libpq takes them as they are).
QString encoded(const QString& text, const QByteArray& keep = {}) {
    QString out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u >= 0x80 ||
            (u < 0x80 && (std::isalnum(u) || QByteArray("-._~").contains(char(u)) || keep.contains(char(u)))))
            out += c;
        else
            out += QString::fromLatin1(QUrl::toPercentEncoding(QString(c)));
    }
    return out;
}

// A value as libpq's keyword=value text takes it.
QString quotedValue(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

bool isKeyword(const QString& key) {
    if (key.isEmpty())
        return false;
    for (const QChar c : key)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_'))
            return false;
    return true;
}

} // namespace

bool ServerAddress::isServerUri(const QString& text) {
    for (const QString& scheme : kSchemes)
        if (text.trimmed().startsWith(scheme))
            return true;
    return false;
}

ServerAddress ServerAddress::parse(const QString& uri) {
    ServerAddress a;
    const QString text = uri.trimmed();
    QString rest;
    for (const QString& scheme : kSchemes)
        if (text.startsWith(scheme))
            rest = text.mid(scheme.size());
    if (!isServerUri(text)) {
        a.error = QStringLiteral("“%1”不是 PostgreSQL 的连接地址（应以 postgresql:// 开头）").arg(text);
        return a;
    }
    QString query;
    if (const int mark = rest.indexOf(QLatin1Char('?')); mark >= 0) {
        query = rest.mid(mark + 1);
        rest.truncate(mark);
    }
    QString netloc = rest;
    if (const int slash = rest.indexOf(QLatin1Char('/')); slash >= 0) {
        netloc = rest.left(slash);
        a.dbname = decoded(rest.mid(slash + 1));
    }
    if (const int at = netloc.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userinfo = netloc.left(at);
        netloc = netloc.mid(at + 1);
        const int colon = userinfo.indexOf(QLatin1Char(':'));
        a.user = decoded(colon < 0 ? userinfo : userinfo.left(colon));
        if (colon >= 0)
            a.password = decoded(userinfo.mid(colon + 1));
    }
    QStringList hosts, ports;
    bool anyHost = false, anyPort = false;
    for (const QString& entry : netloc.split(QLatin1Char(','))) {
        QString host = entry, port;
        if (entry.startsWith(QLatin1Char('['))) {
            // An IPv6 address: [::1]:5432
            const int close = entry.indexOf(QLatin1Char(']'));
            if (close < 0) {
                a.error = QStringLiteral("连接地址中的主机“%1”缺少“]”").arg(entry);
                return a;
            }
            host = entry.mid(1, close - 1);
            if (entry.mid(close + 1).startsWith(QLatin1Char(':')))
                port = entry.mid(close + 2);
        } else if (const int colon = entry.lastIndexOf(QLatin1Char(':')); colon >= 0) {
            host = entry.left(colon);
            port = entry.mid(colon + 1);
        }
        bool number = false;
        if (!port.isEmpty() && (port.toInt(&number), !number)) {
            a.error = QStringLiteral("连接地址中的端口“%1”不是数字").arg(port);
            return a;
        }
        anyHost = anyHost || !host.isEmpty();
        anyPort = anyPort || !port.isEmpty();
        hosts << decoded(host);
        ports << port;
    }
    if (anyHost)
        a.hosts = hosts.join(QLatin1Char(','));
    if (anyPort)
        a.ports = ports.join(QLatin1Char(','));
    if (!query.isEmpty())
        for (const QString& pair : query.split(QLatin1Char('&'))) {
            const int eq = pair.indexOf(QLatin1Char('='));
            const QString key = decoded(pair.left(eq));
            if (eq < 0 || !isKeyword(key)) {
                a.error = QStringLiteral("连接地址中的参数“%1”应写成 名称=值").arg(pair);
                return a;
            }
            const QString value = decoded(pair.mid(eq + 1));
            if (key == QLatin1String("host"))
                a.hosts = value;
            else if (key == QLatin1String("port"))
                a.ports = value;
            else if (key == QLatin1String("dbname"))
                a.dbname = value;
            else if (key == QLatin1String("user"))
                a.user = value;
            else if (key == QLatin1String("password"))
                a.password = value;
            else if (value.contains(QLatin1Char(';')))
                // Qt's driver reads ';' as the end of an option, whatever the quotes.
                a.error = QStringLiteral("连接地址中参数 %1 的值含有分号，无法传给数据库驱动").arg(key);
            else
                a.parameters.append({key, value});
        }
    return a;
}

ServerAddress ServerAddress::withDatabase(const QString& name) const {
    ServerAddress a = *this;
    a.dbname = name;
    return a;
}

QString ServerAddress::toUri() const {
    QString uri = QStringLiteral("postgresql://");
    if (!user.isEmpty() || !password.isEmpty()) {
        uri += encoded(user);
        if (!password.isEmpty())
            uri += QLatin1Char(':') + encoded(password);
        uri += QLatin1Char('@');
    }
    uri += QLatin1Char('/') + encoded(dbname);
    QStringList query;
    if (!hosts.isEmpty())
        query << QStringLiteral("host=") + encoded(hosts, "/,:");
    if (!ports.isEmpty())
        query << QStringLiteral("port=") + encoded(ports, ",");
    for (const auto& [key, value] : parameters)
        query << key + QLatin1Char('=') + encoded(value, "/,:");
    if (!query.isEmpty())
        uri += QLatin1Char('?') + query.join(QLatin1Char('&'));
    return uri;
}

QString ServerAddress::shownUri() const {
    ServerAddress a = *this;
    if (!a.password.isEmpty())
        a.password = QStringLiteral("***");
    return a.toUri();
}

QString ServerAddress::shortName() const {
    const QString host = hosts.section(QLatin1Char(','), 0, 0);
    const QString port = ports.section(QLatin1Char(','), 0, 0);
    QString where = host.isEmpty() || host.startsWith(QLatin1Char('/')) || host.startsWith(QLatin1Char('@'))
                        ? QStringLiteral("本机")
                        : host;
    if (!port.isEmpty() && port != QLatin1String("5432") && where != QStringLiteral("本机"))
        where += QLatin1Char(':') + port;
    return (dbname.isEmpty() ? (user.isEmpty() ? QStringLiteral("默认数据库") : user) : dbname) +
           QLatin1Char('@') + where;
}

QString ServerAddress::connectOptions() const {
    QList<QPair<QString, QString>> all = parameters;
    // A server that cannot be reached is told within seconds; one that vanished mid-session (its
    // computer switched off, the cable pulled) within about half a minute, not after the
    // system's TCP time-outs of many minutes.
    const QPair<QString, QString> defaults[] = {
        {QStringLiteral("connect_timeout"), QStringLiteral("5")},
        {QStringLiteral("keepalives_idle"), QStringLiteral("10")},
        {QStringLiteral("keepalives_interval"), QStringLiteral("5")},
        {QStringLiteral("keepalives_count"), QStringLiteral("3")},
        {QStringLiteral("tcp_user_timeout"), QStringLiteral("20000")},
        {QStringLiteral("application_name"), QStringLiteral("veltaro")},
    };
    for (const auto& d : defaults) {
        bool given = false;
        for (const auto& p : parameters)
            given = given || p.first == d.first;
        if (!given)
            all.append(d);
    }
    // Several ports go as a keyword: the driver's port setting takes one number.
    if (ports.contains(QLatin1Char(',')))
        all.append({QStringLiteral("port"), ports});
    QStringList out;
    for (const auto& [key, value] : all)
        out << key + QLatin1Char('=') + quotedValue(value);
    return out.join(QLatin1Char(';'));
}

void ServerAddress::configure(QSqlDatabase& db) const {
    db.setHostName(hosts);
    db.setDatabaseName(dbname);
    db.setUserName(user);
    db.setPassword(password);
    bool onePort = false;
    const int port = ports.toInt(&onePort);
    db.setPort(onePort ? port : -1);
    db.setConnectOptions(connectOptions());
}
