// A StatusNotifierWatcher as a desktop's tray host runs one: it owns the
// watcher's name on the session bus (DBUS_SESSION_BUS_ADDRESS), says a host
// is registered, and prints "item <service>" for each icon that registers.
// "ready" on standard output tells that the name is owned; a test that
// wants a hung watcher stops the process then.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QStringList>

#include <cstdio>

class Watcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    bool isHostRegistered() const { return true; }
    QStringList items() const { return m_items; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString &service)
    {
        // Qt names its bus connection; others name their object path.
        const QString item = service.startsWith(u'/') ? message().service() + service : service;
        m_items << item;
        std::printf("item %s\n", qPrintable(item));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(item);
    }
    void RegisterStatusNotifierHost(const QString &) { }

signals:
    void StatusNotifierItemRegistered(const QString &item);
    void StatusNotifierItemUnregistered(const QString &item);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    Watcher watcher;
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                | QDBusConnection::ExportAllProperties)
        || !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "sniwatcher.moc"
