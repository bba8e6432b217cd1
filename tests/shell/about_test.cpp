#include "shell/artwork.h"
#include "shell/identity.h"
#include "support/qt_app.h"
#include "zevrin_version.h"

#include <QMouseEvent>
#include <QSet>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>

namespace zevrin {
namespace {

std::string text(const QLabel* label) {
    return label->text().toStdString();
}

TEST(TProgId, VersionFollowsAutoVersion) {
    TProgId fresh;
    EXPECT_EQ(fresh.ProductName(), "AppName");
    EXPECT_EQ(fresh.Company(), "MarvenData");
    EXPECT_TRUE(fresh.AutoVersion());
    EXPECT_EQ(fresh.Version(), "3.0");

    TProgId main;
    configure_main_prog_id(main);
    EXPECT_EQ(main.objectName(), "ProgId1");
    EXPECT_EQ(main.ProductName(), "Zevrin");
    EXPECT_EQ(main.Company(), "MarvenData");
    EXPECT_EQ(main.Copyright(), zevrin_copyright);
    EXPECT_EQ(main.Version(), "3.0.2.0");
    main.set_AutoVersion(true);
    EXPECT_EQ(main.Version(), "3.0");
    EXPECT_EQ(auto_version(), "3.0");
}

TEST(TAbout, VersionNumbers) {
    test::qt_app();
    TAbout about;
    EXPECT_EQ(about.VersionNumber(), 3.0); // "auto" becomes 3.0 by loading
    EXPECT_EQ(about.intversion(), 768);
    about.set_Version("3.0.2.0");
    EXPECT_EQ(about.VersionNumber(), 0.0);
    EXPECT_EQ(about.intversion(), 0);
    about.set_Version("2.51");
    EXPECT_DOUBLE_EQ(about.VersionNumber(), 2.51);
    EXPECT_EQ(about.intversion(), 2 * 256 + 51);
    about.set_Version("7");
    EXPECT_EQ(about.intversion(), 7);
    about.set_Version("x.1");
    EXPECT_EQ(about.intversion(), 0);
    about.set_Version("nan");
    EXPECT_EQ(about.VersionNumber(), 0.0);
    about.set_Version("99999999.1");
    EXPECT_EQ(about.intversion(), 0); // does not fit
}

TEST(TAbout, TheVersionLineFollowsItsParts) {
    test::qt_app();
    TAbout about;
    about.Loaded();
    EXPECT_EQ(text(about.versionlabel()), "Version 3.0 for Win95/98/NT");
    about.set_Revision("b");
    about.set_beta(true);
    about.set_betaversion("4");
    about.set_OSVersions("Linux");
    EXPECT_EQ(text(about.versionlabel()), "Version 3.0b \u00DF4 for Linux");
}

TEST(TAbout, TheExtraLineShowsOnlyWithText) {
    test::qt_app();
    TAbout about;
    EXPECT_TRUE(about.extralabel()->isHidden());
    about.set_Extra("Licensed to the lab");
    EXPECT_FALSE(about.extralabel()->isHidden());
    EXPECT_EQ(text(about.extralabel()), "Licensed to the lab");
    about.set_Extra("");
    EXPECT_TRUE(about.extralabel()->isHidden());
}

TEST(TAbout, TheBoxIsLaidOutAsWritten) {
    test::qt_app();
    TTamberAbout about;
    configure_main_about(about);
    QDialog* form = about.form();
    EXPECT_EQ(form->windowTitle(), "About");
    EXPECT_EQ(form->width(), 410);
    EXPECT_EQ(about.titlelabel()->geometry(), QRect(172, 16, 237, 23));
    EXPECT_EQ(about.versionlabel()->geometry().top(), 16 + 23 + 2);
    EXPECT_EQ(about.progicon()->geometry(), QRect(372, 9, 41, 37));
    const QRect ok = about.okbutton()->geometry();
    EXPECT_EQ(ok.left(), 254);
    EXPECT_EQ(ok.size(), QSize(75, 25));
    const QWidget* panel = about.tamberimage()->parentWidget();
    EXPECT_EQ(panel->geometry().left(), 10);
    EXPECT_LE(std::abs(panel->geometry().top() * 2 + 234 - form->height()), 1);
    EXPECT_GE(panel->geometry().top(), 10); // the whole picture shows
    EXPECT_EQ(form->height(), std::max(ok.bottom() + 1 + 10, 254));
    EXPECT_EQ(about.okbutton()->text(), "&Ok");
    EXPECT_TRUE(about.okbutton()->isDefault());

    // A long extra text wraps and moves the button down instead of overlapping it.
    about.set_Extra(
        std::string(400, 'x').replace(50, 1, " ").replace(120, 1, " ").replace(300, 1, " "));
    EXPECT_GT(about.okbutton()->geometry().top(), ok.top());
    EXPECT_LT(about.extralabel()->geometry().bottom(), about.okbutton()->geometry().top());
    EXPECT_EQ(form->height(), std::max(about.okbutton()->geometry().bottom() + 1 + 10, 254));
}

TEST(TTamberAbout, TheMainWindowsBox) {
    test::qt_app();
    TTamberAbout about;
    configure_main_about(about);
    EXPECT_EQ(about.objectName(), "TamberAbout1");
    EXPECT_EQ(text(about.titlelabel()), "Zevrin");
    EXPECT_EQ(text(about.versionlabel()), "Version 3.0.2.0 for Linux");
    EXPECT_EQ(text(about.copyrightlabel()), zevrin_copyright);
    EXPECT_EQ(text(about.tamberlabel()), "A Tamber application");
    EXPECT_TRUE(about.tamberlabel()->isHidden());
    EXPECT_EQ(text(about.compiledatelabel()).rfind("Compiled ", 0), 0u);
    EXPECT_GT(text(about.compiledatelabel()).size(), std::string("Compiled ").size());
    EXPECT_FALSE(about.compiledatelabel()->isHidden());
    EXPECT_EQ(about.tamberimage()->size(), QSize(155, 226));
    about.set_ShowATamber(true);
    EXPECT_FALSE(about.tamberlabel()->isHidden());
}

TEST(TTamberAbout, ThePictureKeepsItsPaletteOnlyWithBmp256) {
    test::qt_app();
    const QImage picture = family_picture();
    EXPECT_EQ(picture.size(), QSize(155, 226));
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_LE(picture.colorCount(), 256);
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3) {
        for (int x = 0; x < picture.width(); x += 3) {
            colours.insert(picture.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 20); // a picture, not a flat fill

    TTamberAbout about;
    about.set_BMP256(false);
    about.Loaded();
    EXPECT_EQ(about.tamberimage()->size(), QSize(153, 225));
}

QImage artwork(int size) {
    return QImage(QString(ZEVRIN_ICON_DIR "/zevrin-%1.png").arg(size))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage premultiplied(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The icon that the desktop shows for the installed program is the one that the
// program's windows show, in every size of the icon theme.
TEST(ProgramIcon, IsTheInstalledArtworkInEverySize) {
    test::qt_app();
    const QIcon icon = program_icon();
    std::ifstream sizes(ZEVRIN_ICON_DIR "/sizes.txt");
    int count = 0;
    for (int size = 0; sizes >> size; ++count) {
        ASSERT_FALSE(artwork(size).isNull()) << size;
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        EXPECT_EQ(premultiplied(icon.pixmap(size)), artwork(size)) << size;
    }
    EXPECT_EQ(count, 8);
}

TEST(ProgramIcon, TheApplicationAndTheAboutBoxShowIt) {
    test::qt_app();
    configure_application();
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), app_id);
    EXPECT_EQ(QApplication::applicationName(), "Zevrin");
    EXPECT_EQ(premultiplied(QApplication::windowIcon().pixmap(48)), artwork(48));
    TTamberAbout about;
    configure_main_about(about);
    EXPECT_EQ(premultiplied(about.progicon()->pixmap()), artwork(32));
    EXPECT_EQ(about.progicon()->geometry(), QRect(372, 9, 41, 37));
}

TEST(TAbout, DoubleClicksReachTheirEvents) {
    test::qt_app();
    TTamberAbout about;
    configure_main_about(about);
    int eggs = 0;
    int logs = 0;
    about.OnEggClick = [&](QObject* sender) {
        EXPECT_EQ(sender, &about);
        ++eggs;
    };
    about.OnActivateErrLog = [&](QObject*) { ++logs; };
    const auto double_click = [](QWidget* w) {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    double_click(about.progicon());
    double_click(about.tamberimage());
    double_click(about.tamberimage());
    EXPECT_EQ(eggs, 1);
    EXPECT_EQ(logs, 2);
}

TEST(TAbout, ShowmodalShowsTheBoxUntilOk) {
    test::qt_app();
    TTamberAbout about;
    configure_main_about(about);
    bool was_visible = false;
    QTimer::singleShot(0, [&] {
        was_visible = about.form()->isVisible() && about.form()->isModal();
        about.okbutton()->click();
    });
    about.showmodal();
    EXPECT_TRUE(was_visible);
    EXPECT_FALSE(about.form()->isVisible());
}

} // namespace
} // namespace zevrin
