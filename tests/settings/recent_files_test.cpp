#include "platform/message_box.h"
#include "platform/system.h"
#include "settings/recent_files.h"
#include "shell/identity.h"
#include "support/qt_app.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <map>

namespace zevrin {
namespace {

using test::read_text;
using test::TempHome;
using test::write_text;

// The main window's "&Settings" menu with the list configured as the window does.
class RecentFilesTest : public ::testing::Test {
protected:
    RecentFilesTest() {
        configure_main_prog_id(progid);
        for (const char* text : {"Options...", "", "Save &now!", "Always save on e&xit",
                                 "&Open file...", "Save &as file..."}) {
            QAction* a = menu.addAction(text);
            a->setSeparator(*text == '\0');
        }
    }

    std::unique_ptr<TRecentFiles> make_list() {
        auto list = std::make_unique<TRecentFiles>();
        list->drive_kind_of = [this](const std::string& path) {
            const auto it = kinds.find(path.substr(0, path.rfind('/')));
            return it == kinds.end() ? DriveKind::fixed : it->second;
        };
        configure_main_recent_files(*list, &menu, &progid);
        return list;
    }

    std::string file(const std::string& name) {
        const std::string path = home / name;
        write_text(path, "[Settings]\n");
        return path;
    }

    std::string store_file() const {
        return home / "config/MarvenData/Zevrin/3.0.2.0/" + program_file_name() + ".ini";
    }

    // The captions of the visible items after the window's own six.
    std::vector<std::string> shown() const {
        std::vector<std::string> captions;
        const QList<QAction*> actions = menu.actions();
        for (qsizetype i = 6; i < actions.size(); ++i) {
            if (actions[i]->isVisible()) {
                captions.push_back(actions[i]->isSeparator() ? "-"
                                                             : actions[i]->text().toStdString());
            }
        }
        return captions;
    }

    QApplication& app = test::qt_app();
    TempHome home;
    TProgId progid;
    QMenu menu;
    std::map<std::string, DriveKind> kinds;
};

TEST_F(RecentFilesTest, WithoutAProgIdTheListCannotBeMade) {
    TRecentFiles list;
    list.setObjectName("RecentFiles1");
    list.set_Menu(&menu);
    try {
        list.Loaded();
        FAIL() << "no error";
    } catch (const ESettingError& e) {
        EXPECT_STREQ(e.what(), "Nothing assigned to RecentFiles1.ProgId");
    }
}

TEST_F(RecentFilesTest, AnEmptyListShowsNothing) {
    auto list = make_list();
    EXPECT_TRUE(list->inserted());
    EXPECT_EQ(menu.actions().size(), 6 + 18);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(list->itemcount(), 0);
}

TEST_F(RecentFilesTest, NamesAreNumberedAtTheEndOfTheMenu) {
    auto list = make_list();
    const std::string a = file("a.zvr");
    const std::string b = file("R&D.zvr");
    list->add(a);
    list->add(b);
    EXPECT_EQ(shown(), (std::vector<std::string>{"-", "&1 " + home.path() + "/R&&D.zvr", "&2 " + a,
                                                 "&Clear list..."}));
    EXPECT_EQ(list->item(1)->data().toInt(), 1);
}

TEST_F(RecentFilesTest, NamesAreComparedAsTheFileSystemDoes) {
    auto list = make_list();
    // Two files on Linux: saving A.zvr keeps a.zvr.
    const std::string lower = file("a.zvr");
    const std::string upper = file("A.zvr");
    list->add(lower);
    list->add(upper);
    EXPECT_EQ(list->filename(1), upper);
    EXPECT_EQ(list->filename(2), lower);
    // One file under two names: one entry, the later name at the top.
    std::filesystem::create_symlink(lower, home / "link.zvr");
    list->add(home / "link.zvr");
    EXPECT_EQ(list->filename(1), home / "link.zvr");
    EXPECT_EQ(list->filename(2), upper);
    EXPECT_EQ(list->filename(3), "");
    list->add("relative/../x.zvr"); // kept with its full name
    EXPECT_EQ(list->filename(1), std::filesystem::current_path().string() + "/x.zvr");
}

TEST_F(RecentFilesTest, TheOldestFileLeavesMenuAndStore) {
    auto list = make_list();
    for (int i = 1; i <= 6; ++i) {
        list->add(file("f" + std::to_string(i) + ".zvr"));
    }
    EXPECT_EQ(list->filename(1), home / "f6.zvr");
    EXPECT_EQ(list->filename(5), home / "f2.zvr");
    EXPECT_EQ(list->filename(6), "");
    EXPECT_EQ(shown().size(), 7u);
    std::string expected = "[RecentFilessec]\nnToUse=5\n";
    for (int i = 1; i <= 5; ++i) {
        expected += std::to_string(i) + "=" + home.path() + "/f" + std::to_string(7 - i) + ".zvr\n";
    }
    EXPECT_EQ(read_text(store_file()), expected);
    list->set_MaxItems(10); // the dropped file does not come back
    EXPECT_EQ(list->filename(6), "");
}

TEST_F(RecentFilesTest, MaxItemsIsLimitedToFifteen) {
    auto list = make_list();
    list->add(file("a.zvr"));
    list->set_MaxItems(20);
    EXPECT_EQ(list->MaxItems(), 15);
    EXPECT_NE(read_text(store_file()).find("nToUse=15\n"), std::string::npos);
    EXPECT_NE(read_text(store_file()).find("\nF=\n"), std::string::npos);
    // The sixteenth item never holds a name, but is numbered all the same.
    EXPECT_EQ(list->item(15)->text().toStdString(), "&F ");
    EXPECT_EQ(list->item(16)->text().toStdString(), "&10 ");
    list->set_MaxItems(-1);
    EXPECT_EQ(list->MaxItems(), 0);
    EXPECT_TRUE(shown().empty()); // no names, no separator, no clear item
    EXPECT_EQ(read_text(store_file()), "[RecentFilessec]\nnToUse=0\n");
}

TEST_F(RecentFilesTest, OnlyAllowedKindsOfDriveEnterTheList) {
    auto list = make_list();
    kinds[home / "cd"] = DriveKind::cdrom;
    kinds[home / "stick"] = DriveKind::removable;
    kinds[home / "nas"] = DriveKind::remote;
    kinds[home / "ram"] = DriveKind::ramdisk;
    kinds[home / "odd"] = DriveKind::unknown;
    kinds[home / "none"] = DriveKind::no_root_dir;
    list->add(home / "nas/a.zvr");
    for (const char* refused : {"cd/b.zvr", "stick/c.zvr", "ram/d.zvr", "none/e.zvr"}) {
        list->add(home / refused);
        EXPECT_EQ(list->filename(1), home / "nas/a.zvr") << refused;
    }
    list->add(home / "odd/f.zvr");
    EXPECT_EQ(list->filename(1), home / "odd/f.zvr");
    list->set_AllowFileOnCDROM(true);
    list->add(home / "cd/b.zvr");
    EXPECT_EQ(list->filename(1), home / "cd/b.zvr");
}

TEST_F(RecentFilesTest, TheListSurvivesARestartWithoutFilesThatWentAway) {
    {
        auto list = make_list();
        for (const char* n : {"1.zvr", "2.zvr", "3.zvr", "4.zvr"}) {
            list->add(file(n));
        }
    }
    std::filesystem::remove(home / "2.zvr"); // third from the top
    QMenu fresh;
    auto list = std::make_unique<TRecentFiles>();
    configure_main_recent_files(*list, &fresh, &progid);
    EXPECT_EQ(list->filename(1), home / "4.zvr");
    EXPECT_EQ(list->filename(2), home / "3.zvr");
    EXPECT_EQ(list->filename(3), home / "1.zvr");
    EXPECT_EQ(list->filename(4), "");
    EXPECT_EQ(list->item(3)->text().toStdString(), "&3 " + home.path() + "/1.zvr");
}

TEST_F(RecentFilesTest, AClickOpensTheFileAndMovesItToTheTop) {
    auto list = make_list();
    const std::string a = file("a.zvr");
    list->add(a);
    list->add(file("b.zvr"));
    std::vector<std::string> opened;
    list->OnClick = [&](QObject* sender, int item_no, const std::string& name) {
        EXPECT_EQ(sender, list->item(2));
        opened.push_back(std::to_string(item_no) + " " + name);
    };
    list->item(2)->trigger();
    EXPECT_EQ(opened, (std::vector<std::string>{"2 " + a}));
    EXPECT_EQ(list->filename(1), a);
}

TEST_F(RecentFilesTest, AClickOnAFileThatWentAwayReportsAndDropsIt) {
    auto list = make_list();
    const std::string a = file("a.zvr");
    list->add(a);
    list->add(file("b.zvr"));
    std::filesystem::remove(a);
    std::vector<std::string> boxes;
    set_message_box_handler(
        [&](const std::string& text, const std::string& caption, unsigned flags) {
            boxes.push_back(caption + "|" + text + "|" + std::to_string(flags));
            return id::ok;
        });
    bool opened = false;
    list->OnClick = [&](QObject*, int, const std::string&) { opened = true; };
    list->item(2)->trigger();
    set_message_box_handler(nullptr);
    EXPECT_FALSE(opened);
    EXPECT_EQ(boxes, (std::vector<std::string>{"File not found|Can't find \r" + a + "|" +
                                               std::to_string(mb::ok | mb::iconexclamation)}));
    EXPECT_EQ(list->itemcount(), 1);
    EXPECT_EQ(read_text(store_file()).find(a), std::string::npos);
}

TEST_F(RecentFilesTest, TheClearItemAsksFirst) {
    auto list = make_list();
    list->add(file("a.zvr"));
    int answer = id::no;
    std::string asked;
    set_message_box_handler(
        [&](const std::string& text, const std::string& caption, unsigned flags) {
            asked = caption + "|" + text;
            EXPECT_EQ(flags, mb::yesno | mb::iconquestion);
            return answer;
        });
    list->clearitem()->trigger();
    EXPECT_EQ(asked, "Clear list|Do you want to clear the list of recently used files?");
    EXPECT_EQ(list->itemcount(), 1);
    answer = id::yes;
    list->clearitem()->trigger();
    set_message_box_handler(nullptr);
    EXPECT_EQ(list->itemcount(), 0);
    EXPECT_TRUE(shown().empty());
}

TEST_F(RecentFilesTest, MenuPosPlacesTheItemsAndBarAndClearFollowTheirSwitches) {
    auto list = make_list();
    list->add(file("a.zvr"));
    list->set_MenuPos(1);
    list->set_BarBefore(false);
    list->set_IncludeClearItem(false);
    const QList<QAction*> actions = menu.actions();
    EXPECT_EQ(actions[0]->text(), "Options...");
    EXPECT_EQ(actions[1], list->baritem());
    EXPECT_FALSE(actions[1]->isVisible());
    EXPECT_EQ(actions[2], list->item(1));
    EXPECT_EQ(actions[18], list->clearitem());
    EXPECT_FALSE(list->clearitem()->isVisible());
    EXPECT_EQ(actions[19]->text(), "");
    EXPECT_TRUE(actions[19]->isSeparator());
}

TEST_F(RecentFilesTest, AStoreThatCannotBeWrittenLeavesTheListInMemory) {
    write_text(home / "config", "no roaming folder");
    write_text(home / "registry", "no registry either");
    auto list = make_list();
    const std::string a = file("a.zvr");
    list->add(a);
    EXPECT_EQ(list->filename(1), a);
    EXPECT_EQ(shown().size(), 3u);
}

TEST_F(RecentFilesTest, WithoutARoamingFolderTheListLivesInTheRegistry) {
    write_text(home / "config", "no roaming folder");
    const std::string a = file("a.zvr");
    {
        auto list = make_list();
        list->add(a);
    }
    Registry r(RegistryHive::current_user);
    const std::string key = "Software\\MarvenData\\Zevrin\\3.0.2.0\\RecentFilessec";
    EXPECT_EQ(r.value(key, "nToUse")->dword, 5u);
    EXPECT_EQ(r.value(key, "1")->text, a);
    QMenu fresh;
    TRecentFiles again;
    configure_main_recent_files(again, &fresh, &progid);
    EXPECT_EQ(again.filename(1), a);
}

} // namespace
} // namespace zevrin
