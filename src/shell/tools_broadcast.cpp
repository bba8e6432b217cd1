#include "shell/tools_broadcast.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace zevrin {

namespace {

// A save replaces the hive file in several steps (lock, temporary file, rename):
// the list is compared once they are over.
constexpr int settle_ms = 100;

} // namespace

TToolsBroadcast::TToolsBroadcast(std::function<std::string()> list, std::vector<std::string> files,
                                 QObject* parent)
    : QObject(parent), flist(std::move(list)), ffiles(std::move(files)) {
    fsettle.setSingleShot(true);
    fsettle.setInterval(settle_ms);
    connect(&fsettle, &QTimer::timeout, this, &TToolsBroadcast::file_changed);
}

TToolsBroadcast::~TToolsBroadcast() {
    if (fonbus) {
        QDBusConnection::sessionBus().disconnect(QString(), path, interface_name, signal_name, this,
                                                 SLOT(bus_message(QDBusMessage)));
    }
}

bool TToolsBroadcast::on_bus() const {
    return fonbus || (!flistening && QDBusConnection::sessionBus().isConnected());
}

void TToolsBroadcast::listen() {
    if (flistening) {
        return;
    }
    flistening = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    fonbus = bus.isConnected() && bus.connect(QString(), path, interface_name, signal_name, this,
                                              SLOT(bus_message(QDBusMessage)));
    if (!fonbus) {
        remember();
        fwatcher = std::make_unique<QFileSystemWatcher>();
        connect(fwatcher.get(), &QFileSystemWatcher::directoryChanged, this,
                [this] { fsettle.start(); });
        connect(fwatcher.get(), &QFileSystemWatcher::fileChanged, this,
                [this] { fsettle.start(); });
        watch_files();
    }
}

void TToolsBroadcast::send() {
    remember();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return; // the file that changed is the message
    }
    QDBusMessage message = QDBusMessage::createSignal(path, interface_name, signal_name);
    message << static_cast<qint64>(QCoreApplication::applicationPid()) << 1;
    bus.send(message);
}

void TToolsBroadcast::remember() {
    fknown = flist();
}

void TToolsBroadcast::bus_message(const QDBusMessage& message) {
    if (message.service() == QDBusConnection::sessionBus().baseService()) {
        return;
    }
    if (OnChange) {
        OnChange();
    }
}

// A replaced file is a new file to the watcher: the folders show every save, the
// files are watched again after each.
void TToolsBroadcast::watch_files() {
    for (const std::string& file : ffiles) {
        const QFileInfo info(QString::fromStdString(file));
        const QString folder = info.absolutePath();
        if (QFileInfo(folder).isDir() && !fwatcher->directories().contains(folder)) {
            fwatcher->addPath(folder);
        }
        if (info.exists() && !fwatcher->files().contains(info.absoluteFilePath())) {
            fwatcher->addPath(info.absoluteFilePath());
        }
    }
}

void TToolsBroadcast::file_changed() {
    watch_files();
    const std::string now = flist();
    if (now == fknown) {
        return;
    }
    fknown = now;
    if (OnChange) {
        OnChange();
    }
}

} // namespace zevrin
