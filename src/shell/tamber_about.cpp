#include "shell/tamber_about.h"

#include "shell/artwork.h"

#include <QPixmap>

namespace zevrin {

TTamberAbout::TTamberAbout(QObject* owner) : TAbout(owner) {
    tamberlabel()->setText("A Tamber application");
}

void TTamberAbout::Loaded() {
    TAbout::Loaded();
    refresh_labels();
    const QImage picture = family_picture();
    QLabel* image = tamberimage();
    if (BMP256()) {
        image->setPixmap(QPixmap::fromImage(picture, Qt::NoFormatConversion));
        image->resize(picture.size());
    } else {
        image->setPixmap(QPixmap::fromImage(picture.convertToFormat(QImage::Format_RGB32)));
        image->resize(153, 225);
    }
}

} // namespace zevrin
