#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "shell/help_menu.h"
#include "shell/identity.h"
#include "shell/version_file.h"
#include "support/qt_app.h"
#include "support/temp_home.h"

#include <QAction>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace zevrin {

// Stands in for the desktop's browser and mail program.
class UrlCatcher : public QObject {
    Q_OBJECT

public slots:
    void open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }

public:
    std::vector<std::string> opened;
};

namespace {

using Strings = std::vector<std::string>;
const std::string user_key = "\\Software\\MarvenData\\Zevrin";

bool wait_for(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// A web server on 127.0.0.1 that answers each request as `respond` says.
class HttpServer {
public:
    HttpServer() {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                auto request = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                    request->append(socket->readAll());
                    if (request->contains("\r\n\r\n")) {
                        ++requests;
                        request->clear();
                        respond(socket);
                    }
                });
            }
        });
    }
    std::string url() const {
        return "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/version.txt";
    }
    void answer(const std::string& body) {
        respond = [body](QTcpSocket* s) {
            s->write(("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                      std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body)
                         .c_str());
            s->disconnectFromHost();
        };
    }

    QTcpServer server;
    std::function<void(QTcpSocket*)> respond = [](QTcpSocket*) {};
    int requests = 0;
};

class HelpMenu : public ::testing::Test {
protected:
    HelpMenu() {
        configure_main_prog_id(progid);
        configure_main_about(about);
        for (const char* scheme : {"http", "https", "mailto", "file"}) {
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
        }
        set_message_box_handler(
            [this](const std::string& text, const std::string& caption, unsigned) {
                messages.push_back(caption + ": " + text);
                return answer;
            });
    }
    ~HelpMenu() override {
        menu.reset();
        set_message_box_handler(nullptr);
        for (const char* scheme : {"http", "https", "mailto", "file"}) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }

    THelpMenu& make(const std::string& url) {
        menu = std::make_unique<THelpMenu>();
        menu->set_MainMenu(bar);
        menu->set_ProgId(&progid);
        menu->set_AboutBox(&about);
        menu->set_NewFullVersionURL(url);
        menu->OnEndProgram = [this] { ++ended; };
        menu->Loaded();
        return *menu;
    }
    Strings items() const {
        Strings texts;
        for (QAction* a : menu->Menu()->actions()) {
            texts.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        }
        return texts;
    }
    // A manual check; the messages it led to.
    Strings check_now() {
        messages.clear();
        menu->newversionnowitem()->trigger();
        wait_for([&] { return !messages.empty(); }, 8000);
        return messages;
    }
    static void put_links(const std::vector<std::pair<std::string, std::string>>& links) {
        Registry(RegistryHive::local_machine).change([&](RegistryTree& tree) {
            tree.create("Software\\MarvenData\\WebMenu")
                .set_value("MenuDate", RegistryValue::string("20020523"));
            for (const auto& [caption, address] : links) {
                tree.create("Software\\MarvenData\\WebMenu\\items")
                    .set_value(caption, RegistryValue::string(address));
            }
        });
    }

    QApplication& app = test::qt_app(); // before the widgets below
    test::TempHome home;
    TProgId progid;
    TTamberAbout about;
    UrlCatcher catcher;
    QWidget window;
    QMenuBar* bar = new QMenuBar(&window);
    std::unique_ptr<THelpMenu> menu;
    HttpServer server;
    Strings messages;
    int answer = id::no;
    int ended = 0;
    const std::string cannot_connect =
        "New version check: Cannot connect to the update server.\rCheck your Internet connection.";
};

TEST_F(HelpMenu, TheMenuInItsOrderWithTheSharedLinks) {
    bar->addMenu("&File");
    make(server.url());
    EXPECT_EQ(items(),
              (Strings{"E-mail Marven Data", "Marven Data Web", "Check for new version now",
                       "Check for new version automatically", "-", "A&bout..."}));
    EXPECT_EQ(bar->actions().back()->text(), "&Help");
    EXPECT_TRUE(menu->newversionitem()->isChecked());
    menu->linkitems()[0]->trigger();
    menu->linkitems()[1]->trigger();
    EXPECT_EQ(catcher.opened,
              (Strings{"https://www.marvendata.com/", "mailto:support@marvendata.com"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(HelpMenu, OnlyWebAndMailAddressesAreOpened) {
    put_links({{"Local file", "file:///etc/passwd"},
               {"Script", "javascript:alert(1)"},
               {"Command", "xterm -e rm -rf ~"},
               {"Site", "HTTPS://example.org/zevrin"}});
    make(server.url());
    for (QAction* link : menu->linkitems()) {
        link->trigger();
    }
    EXPECT_EQ(catcher.opened, Strings{"https://example.org/zevrin"});
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2], "Open address: This address is not opened:\rxterm -e rm -rf ~\rOnly web "
                           "(http, https) and e-mail (mailto) addresses are opened.");
}

TEST_F(HelpMenu, WithoutLinksAndHelpFileTheMenuStartsWithTheCheck) {
    test::write_text(home / "machine", "not a folder: no shared links");
    make(server.url());
    EXPECT_EQ(items(), (Strings{"Check for new version now", "Check for new version automatically",
                                "A&bout..."}));
    const std::string help = program_folder() + "/" + program_file_name() + ".html";
    test::write_text(help, "<html></html>");
    make(server.url());
    std::filesystem::remove(help);
    EXPECT_EQ(items(), (Strings{"&Help...", "Check for new version now",
                                "Check for new version automatically", "A&bout..."}));
    EXPECT_EQ(menu->helpitem()->shortcut(), QKeySequence(Qt::Key_F1));
}

// F1 in the window hands the desktop the guide's own address. A shared link into the
// guide opens as well, but no file address leads out of its folder (by "..", a
// symbolic link or a host) or to anything there but the guide's pages and pictures.
TEST_F(HelpMenu, F1OpensTheGuideAndFileAddressesStayInItsFolder) {
    const std::string folder = program_folder();
    const std::string guide = folder + "/" + program_file_name() + ".html";
    const std::filesystem::path outside = home / "outside.html";
    const std::string escape = folder + "/escape.html";
    test::write_text(guide, "<html></html>");
    test::write_text(outside, "<html></html>");
    std::filesystem::remove(escape);
    std::filesystem::create_symlink(outside, escape);
    put_links(
        {{"Chapter", "file://" + guide + "#sltas"},
         {"Climb", "file://" + folder + "/" + std::filesystem::relative(outside, folder).string()},
         {"Link", "file://" + escape},
         {"Host", "file://example.org" + guide},
         {"Program", "file://" + folder + "/" + program_file_name()}});
    make(server.url());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    for (QAction* link : menu->linkitems()) {
        link->trigger();
    }
    std::filesystem::remove(escape);
    std::filesystem::remove(guide);
    EXPECT_EQ(catcher.opened, (Strings{"file://" + guide, "file://" + guide + "#sltas"}));
    EXPECT_EQ(messages.size(), 4u);
}

TEST(VersionFile, LineEndsAndBlankLinesDoNotMatter) {
    const TVersionFile lf = parse_version_file("3.1\nhttp://x/dl\nskip\nNew!\nMore.");
    for (const char* text : {"3.1\r\nhttp://x/dl\r\nskip\r\nNew!\nMore.",
                             "\r\n3.1\n\n\r\nhttp://x/dl\r\n\r\nskip\n\n\r\n\rNew!\nMore."}) {
        const TVersionFile other = parse_version_file(text);
        EXPECT_EQ(other.newversion, "3.1");
        EXPECT_EQ(other.downloadurl, "http://x/dl");
        EXPECT_EQ(other.usermessage, "New!\nMore.");
    }
    EXPECT_EQ(lf.usermessage, "New!\nMore.");
    EXPECT_TRUE(plausible_version("3.0.2.0  "));
    EXPECT_FALSE(plausible_version("<!DOCTYPE html>"));
    EXPECT_FALSE(plausible_version(""));
}

TEST_F(HelpMenu, TheSameVersionWithTrailingBlanksIsNoNews) {
    make(server.url());
    server.answer("3.0.2.0   \r\n\r\nhttp://127.0.0.1/dl\r\n\r\nignored\r\n\r\nNothing new.");
    EXPECT_EQ(check_now(), Strings{"No new version: There is currently no new version "
                                   "available.\rYou are already running the latest version: "
                                   "3.0.2.0"});
    EXPECT_EQ(server.requests, 1);
}

TEST_F(HelpMenu, ANewVersionIsOfferedAndItsPageOpened) {
    make(server.url());
    server.answer(
        "3.1\nhttp://127.0.0.1/download\nignored\nZevrin 3.1 measures faster.\r\nGet it?");
    answer = id::yes;
    EXPECT_EQ(check_now(), Strings{"New version available (current version is 3.0.2.0): Zevrin "
                                   "3.1 measures faster.\r\nGet it?"});
    EXPECT_EQ(catcher.opened, Strings{"http://127.0.0.1/download"});
    EXPECT_EQ(ended, 0); // a manual check leaves the program running
    // An older number is news too.
    server.answer("2.9\nhttp://127.0.0.1/download\n-\nOld.");
    answer = id::no;
    EXPECT_EQ(check_now(), Strings{"New version available (current version is 3.0.2.0): Old."});
}

TEST_F(HelpMenu, TheAutomaticCheckWaitsADayAndEndsTheProgramWhenAccepted) {
    server.answer("3.1\nhttp://127.0.0.1/download\n\nNew.");
    answer = id::yes;
    make(server.url()).check_at_start();
    wait_for([] { return false; }, 300);
    EXPECT_EQ(server.requests, 0); // the first day
    EXPECT_EQ(Registry(RegistryHive::current_user).value(user_key, "LastNewVersionCheckDate"),
              RegistryValue::number(static_cast<uint32_t>(THelpMenu::today())));
    Registry(RegistryHive::current_user)
        .write_dword(user_key, "LastNewVersionCheckDate",
                     static_cast<uint32_t>(THelpMenu::today() - 1));
    make(server.url()).check_at_start();
    EXPECT_TRUE(wait_for([&] { return ended == 1; }, 8000));
    EXPECT_EQ(catcher.opened, Strings{"http://127.0.0.1/download"});
    EXPECT_EQ(server.requests, 1);
    // Unchecked, not even the manual check asks.
    menu->newversionitem()->trigger();
    EXPECT_EQ(Registry(RegistryHive::current_user).value(user_key, "AutoCheckForNewVersion"),
              RegistryValue::number(0));
    menu->newversionnowitem()->trigger();
    wait_for([] { return false; }, 300);
    EXPECT_EQ(server.requests, 1);
    EXPECT_EQ(make(server.url()).newversionitem()->isChecked(), false);
}

TEST_F(HelpMenu, DownloadAddressesOtherThanWebPagesAreRefused) {
    make(server.url());
    answer = id::yes;
    for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "rm -rf ~"}) {
        server.answer(std::string("9.9\n") + address + "\n\nNew.");
        check_now();
        wait_for([&] { return messages.size() == 2; }, 2000);
        ASSERT_EQ(messages.size(), 2u) << address;
        EXPECT_EQ(messages[1], std::string("Open address: This address is not opened:\r") +
                                   address + "\rOnly web addresses (http, https) are opened.");
    }
    EXPECT_TRUE(catcher.opened.empty());
}

TEST_F(HelpMenu, AnUnreachableServerIsReportedOnlyToTheUserWhoAsked) {
    const std::string url = server.url();
    server.server.close(); // nothing listens there now
    make(url);
    EXPECT_EQ(check_now(), Strings{cannot_connect});
    messages.clear();
    menu->check_version(false, true);
    wait_for([&] { return !menu->checking(); }, 8000);
    wait_for([] { return false; }, 200);
    EXPECT_TRUE(messages.empty());
}

TEST_F(HelpMenu, ASilentServerTimesOutWhileTheWindowGoesOn) {
    make(server.url());
    menu->fetch().total_timeout = std::chrono::milliseconds(700);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QElapsedTimer t;
    t.start();
    menu->newversionnowitem()->trigger();
    EXPECT_LT(t.elapsed(), 100); // nothing waits for the network
    EXPECT_TRUE(wait_for([&] { return !messages.empty(); }, 8000));
    EXPECT_GE(t.elapsed(), 650);
    EXPECT_EQ(messages, Strings{cannot_connect});
    EXPECT_GT(ticks, 30);
    EXPECT_EQ(server.requests, 1);
}

TEST_F(HelpMenu, AnOverlongOrEndlessAnswerIsCutOff) {
    make(server.url());
    server.respond = [](QTcpSocket* s) {
        s->write("HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n3.1\nhttp://x/\n\n");
        s->write(QByteArray(100000, 'x'));
    };
    EXPECT_EQ(check_now(), Strings{cannot_connect});
    size_t sent = 0;
    server.respond = [&sent](QTcpSocket* s) {
        s->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n3.1\nhttp://x/\n\n");
        auto* pump = new QTimer(s);
        QObject::connect(pump, &QTimer::timeout, s, [s, &sent] {
            if (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < 65536) {
                sent += static_cast<size_t>(std::max<qint64>(0, s->write(QByteArray(16384, 'x'))));
            }
        });
        pump->start(1);
    };
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(check_now(), Strings{cannot_connect});
    EXPECT_LT(t.elapsed(), 5000); // cut off at the limit, long before any timeout
    EXPECT_GE(sent, max_version_file_size);
}

TEST_F(HelpMenu, ARedirectLoopEnds) {
    make(server.url());
    const std::string url = server.url();
    server.respond = [url](QTcpSocket* s) {
        s->write(
            ("HTTP/1.1 302 Found\r\nLocation: " + url + "\r\nContent-Length: 0\r\n\r\n").c_str());
    };
    EXPECT_EQ(check_now(), Strings{cannot_connect});
    EXPECT_LE(server.requests, 1 + menu->fetch().max_redirects);
    EXPECT_GE(server.requests, 2);
}

} // namespace
} // namespace zevrin

#include "help_menu_test.moc"
