#include "shell/web_link.h"

#include "platform/message_box.h"

#include <QDesktopServices>
#include <QUrl>

namespace zevrin {

bool safe_link(const std::string& address, LinkKinds kinds) {
    const QUrl url(QString::fromStdString(address).trimmed(), QUrl::StrictMode);
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == "http" || scheme == "https") {
        return !url.host().isEmpty();
    }
    return kinds == LinkKinds::web_and_mail && scheme == "mailto" && !url.path().isEmpty();
}

bool open_link(const std::string& address, LinkKinds kinds) {
    if (!safe_link(address, kinds)) {
        const char* allowed =
            kinds == LinkKinds::web
                ? "Only web addresses (http, https) are opened."
                : "Only web (http, https) and e-mail (mailto) addresses are opened.";
        message_box("This address is not opened:\r" + address + "\r" + allowed, "Open address",
                    mb::ok | mb::iconexclamation);
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(address).trimmed()))) {
        message_box("No program could be found to open\r" + address, "Open address",
                    mb::ok | mb::iconexclamation);
        return false;
    }
    return true;
}

} // namespace zevrin
