#include "shell/about.h"

#include "dsp/text.h"
#include "shell/artwork.h"
#include "shell/prog_id.h"

#include <QApplication>
#include <QDate>
#include <QEvent>
#include <QLocale>
#include <QScreen>

#include <cmath>
#include <cstdint>
#include <limits>

namespace zevrin {

namespace {

constexpr int line_left = 172;
constexpr int line_width = 237;

QLabel* make_line(QWidget* parent, const char* name, bool wrap) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(wrap);
    return label;
}

QDate build_date() {
    // __DATE__ is "Mmm dd yyyy", fixed when this file is compiled.
    return QLocale::c().toDate(QString(__DATE__).simplified(), "MMM d yyyy");
}

} // namespace

std::string compile_date_text() {
    return "Compiled " + QLocale().toString(build_date(), QLocale::ShortFormat).toStdString();
}

TAbout::TAbout(QObject* owner)
    : QObject(owner), form_(std::make_unique<QDialog>()), fcopyright(maker_copyright_template) {
    QDialog* f = form_.get();
    f->setObjectName("form");
    f->setWindowTitle("About");
    f->setFont(QFont("MS Sans Serif", 8));

    ftitlelabel = make_line(f, "titlelabel", false);
    QFont title_font("Arial", 16);
    title_font.setBold(true);
    ftitlelabel->setFont(title_font);
    ftitlelabel->setForegroundRole(QPalette::WindowText);
    ftitlelabel->setGeometry(line_left, 16, line_width, 23);
    fversionlabel = make_line(f, "versionlabel", false);
    ftamberlabel = make_line(f, "tamberlabel", false);
    fcopyrightlabel = make_line(f, "copyrightlabel", false);
    fcompiledatelabel = make_line(f, "compiledatelabel", true);
    fcompiledatelabel->setText(QString::fromStdString(compile_date_text()));
    fextralabel = make_line(f, "extralabel", true);
    memorylabel = make_line(f, "memorylabel", false);

    fokbutton = new QPushButton("&Ok", f);
    fokbutton->setObjectName("okbutton");
    fokbutton->setDefault(true);
    connect(fokbutton, &QPushButton::clicked, f, &QDialog::accept);

    panel = new QFrame(f);
    panel->setObjectName("panel");
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    ftamberimage = new QLabel(panel);
    ftamberimage->setObjectName("tamberimage");
    ftamberimage->setGeometry(4, 4, 153, 225);
    ftamberimage->installEventFilter(this);

    fprogicon = new QLabel(f);
    fprogicon->setObjectName("progicon");
    fprogicon->setGeometry(372, 9, 41, 37);
    fprogicon->setAlignment(Qt::AlignCenter);
    fprogicon->installEventFilter(this);

    refresh_labels();
    rebuild_version_line();
}

TAbout::~TAbout() = default;

void TAbout::layout_lines() {
    const int line = form_->fontMetrics().height();
    int top = ftitlelabel->geometry().bottom() + 1;
    const auto place = [&](QLabel* label, int gap, int height) {
        if (label->wordWrap()) {
            height = std::max(height, label->heightForWidth(line_width));
        }
        label->setGeometry(line_left, top + gap, line_width, height);
        top += gap + height;
    };
    // Hidden lines keep their place, so that the box does not jump when one shows.
    place(fversionlabel, 2, 13);
    place(ftamberlabel, 2, line);
    place(fcopyrightlabel, 4, line);
    place(fcompiledatelabel, 2, line);
    place(fextralabel, 2, line);
    place(memorylabel, 2, line);
    fokbutton->setGeometry(254, top + 5, 75, 25);
    // At least as tall as the picture's panel with a margin, which would otherwise
    // be cut off above and below.
    const int height = std::max(fokbutton->geometry().bottom() + 1 + 10, 234 + 2 * 10);
    form_->setFixedSize(410, height);
    panel->setGeometry(10, (height - 234) / 2, 163, 234);
}

void TAbout::refresh_labels() {
    ftitlelabel->setText(QString::fromStdString(ftitle));
    fcompiledatelabel->setVisible(fshowcompiledate);
    fcopyrightlabel->setText(QString::fromStdString(fcopyright));
    fextralabel->setText(QString::fromStdString(fextra));
    fextralabel->setVisible(!fextra.empty());
    ftamberlabel->setVisible(fshowatamber);
    const QIcon icon = qApp != nullptr && !QApplication::windowIcon().isNull()
                           ? QApplication::windowIcon()
                           : program_icon();
    fprogicon->setPixmap(icon.pixmap(32, 32));
    layout_lines();
}

void TAbout::rebuild_version_line() {
    std::string line = "Version " + fversion + frevision;
    if (fbeta) {
        line += " \u00DF" + fbetaversion;
    }
    line += " for " + fosversions;
    fversionlabel->setText(QString::fromStdString(line));
}

void TAbout::Loaded() {
    if (fversion == "auto") {
        set_Version(auto_version());
    }
    if (frevision == "auto") {
        set_Revision("");
    }
}

void TAbout::showmodal() {
    refresh_labels();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        form_->move(screen->availableGeometry().center() - form_->rect().center());
    }
    form_->exec();
}

void TAbout::set_Title(const std::string& title) {
    ftitle = title;
    ftitlelabel->setText(QString::fromStdString(title));
}

void TAbout::set_Version(const std::string& version) {
    fversion = version;
    rebuild_version_line();
}

void TAbout::set_Copyright(const std::string& copyright) {
    fcopyright = copyright;
    fcopyrightlabel->setText(QString::fromStdString(copyright));
}

void TAbout::set_Extra(const std::string& extra) {
    fextra = extra;
    fextralabel->setText(QString::fromStdString(extra));
    fextralabel->setVisible(!extra.empty());
    layout_lines();
}

void TAbout::set_ShowATamber(bool show) {
    fshowatamber = show;
    ftamberlabel->setVisible(show);
}

void TAbout::set_ShowCompileDate(bool show) {
    fshowcompiledate = show;
    fcompiledatelabel->setVisible(show);
}

void TAbout::set_Revision(const std::string& revision) {
    frevision = revision;
    rebuild_version_line();
}

void TAbout::set_OSVersions(const std::string& os) {
    fosversions = os;
    rebuild_version_line();
}

void TAbout::set_beta(bool beta) {
    fbeta = beta;
    rebuild_version_line();
}

void TAbout::set_betaversion(const std::string& v) {
    fbetaversion = v;
    rebuild_version_line();
}

double TAbout::VersionNumber() {
    Loaded();
    try {
        const double v = str_to_float_dot(fversion);
        return std::isfinite(v) ? v : 0.0;
    } catch (const EConvertError&) {
        return 0.0;
    }
}

int TAbout::intversion() const {
    try {
        const size_t dot = fversion.find('.');
        if (dot == std::string::npos) {
            return str_to_int(fversion);
        }
        const int64_t v = static_cast<int64_t>(str_to_int(fversion.substr(0, dot))) * 256 +
                          str_to_int(fversion.substr(dot + 1));
        const bool fits =
            v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
        return fits ? static_cast<int>(v) : 0;
    } catch (const EConvertError&) {
        return 0;
    }
}

bool TAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == fprogicon && OnEggClick) {
            OnEggClick(this);
            return true;
        }
        if (watched == ftamberimage && OnActivateErrLog) {
            OnActivateErrLog(this);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zevrin
