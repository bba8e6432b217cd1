#pragma once
// How the maker's running programs tell each other that the tools list changed.
//
// With a session bus: a D-Bus signal "OSTREVATOOLS" (path /com/ostreva/Toolmenu,
// interface com.ostreva.Toolmenu, arguments: the sender's process id and 1) that
// every program of the family receives; a program knows its own signal by its bus
// name and ignores it.
//
// Without a session bus the change of the registry file is the message: each
// program watches the hive files and compares the tools list with the one it last
// saw or wrote itself, so that its own writes are not news to it.
//
// GUI thread only.

#include <QDBusMessage>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QFileSystemWatcher;

namespace zevrin {

class TToolsBroadcast : public QObject {
    Q_OBJECT

public:
    static constexpr const char* path = "/com/ostreva/Toolmenu";
    static constexpr const char* interface_name = "com.ostreva.Toolmenu";
    static constexpr const char* signal_name = "OSTREVATOOLS";

    /// `list` gives the tools list as it stands now, in any text form that changes
    /// when the list does; `files` are the hive files that hold it.
    TToolsBroadcast(std::function<std::string()> list, std::vector<std::string> files,
                    QObject* parent = nullptr);
    ~TToolsBroadcast() override;

    /// Starts listening; OnChange follows every change made by another program.
    void listen();
    /// True when the session bus carries the news.
    bool on_bus() const;
    /// Tells the others that this program changed the list.
    void send();
    /// The list as this program sees it now is not news.
    void remember();

    std::function<void()> OnChange;

private slots:
    void bus_message(const QDBusMessage& message);

private:
    void watch_files();
    void file_changed();

    std::function<std::string()> flist;
    std::vector<std::string> ffiles;
    std::string fknown;
    bool flistening = false;
    bool fonbus = false;
    std::unique_ptr<QFileSystemWatcher> fwatcher;
    QTimer fsettle;
};

} // namespace zevrin
