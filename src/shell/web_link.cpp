#include "shell/web_link.h"

#include "platform/message_box.h"

#include <QDesktopServices>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace zevrin {

namespace {

// A guide is pages and pictures: the desktop is never handed a program or a script
// that happens to lie beside it.
bool guide_file_type(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".html" || ext == ".htm" || ext == ".png" || ext == ".svg" || ext == ".css" ||
           ext == ".pdf";
}

// Links and ".." are resolved before the comparison, so that neither leads out of
// the folder; the file must exist, as a browser handed a missing one shows nothing.
bool inside_folder(const std::string& file, const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path real_folder = fs::canonical(folder, ec);
    if (ec) {
        return false;
    }
    const fs::path real_file = fs::canonical(file, ec);
    if (ec || !fs::is_regular_file(real_file, ec) || !guide_file_type(real_file)) {
        return false;
    }
    const fs::path relative = real_file.lexically_relative(real_folder);
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace

bool safe_link(const std::string& address, LinkKinds kinds, const std::string& guide_folder) {
    const QUrl url(QString::fromStdString(address).trimmed(), QUrl::StrictMode);
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == "http" || scheme == "https") {
        return !url.host().isEmpty();
    }
    if (scheme == "file") {
        return !guide_folder.empty() && url.isLocalFile() &&
               (url.host().isEmpty() || url.host() == "localhost") &&
               inside_folder(url.toLocalFile().toStdString(), guide_folder);
    }
    return kinds == LinkKinds::web_and_mail && scheme == "mailto" && !url.path().isEmpty();
}

bool open_link(const std::string& address, LinkKinds kinds, const std::string& guide_folder) {
    if (!safe_link(address, kinds, guide_folder)) {
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
