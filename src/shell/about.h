#pragma once
// TAbout: the about box, built in code. The title, the version line ("Version " +
// Version + Revision, " ß" + betaversion for a beta, " for " + OSVersions), the
// copyright, the compile date and an extra line stand beside a picture panel and
// the program icon. TTamberAbout adds the family line and the family picture.

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QPushButton>

#include <functional>
#include <memory>
#include <string>

namespace zevrin {

class TAbout : public QObject {
public:
    explicit TAbout(QObject* owner = nullptr);
    ~TAbout() override;

    /// To be called once the properties are set: a Version "auto" becomes the
    /// program's major.minor version ("3.0"), a Revision "auto" becomes empty.
    virtual void Loaded();
    /// Shows the box modally.
    void showmodal();

    const std::string& Title() const { return ftitle; }
    void set_Title(const std::string& title);
    const std::string& Version() const { return fversion; }
    void set_Version(const std::string& version);
    /// The version as a number with "." as decimal separator, after Loaded(); 0 when
    /// it is no number (so "3.0.2.0" gives 0).
    double VersionNumber();
    const std::string& Copyright() const { return fcopyright; }
    void set_Copyright(const std::string& copyright);
    /// The extra line is shown only while this is not empty.
    const std::string& Extra() const { return fextra; }
    void set_Extra(const std::string& extra);
    bool ShowATamber() const { return fshowatamber; }
    void set_ShowATamber(bool show);
    bool ShowCompileDate() const { return fshowcompiledate; }
    void set_ShowCompileDate(bool show);
    const std::string& Revision() const { return frevision; }
    void set_Revision(const std::string& revision);
    bool BMP256() const { return fbmp256; }
    void set_BMP256(bool v) { fbmp256 = v; }
    const std::string& OSVersions() const { return fosversions; }
    void set_OSVersions(const std::string& os);
    bool beta() const { return fbeta; }
    void set_beta(bool beta);
    const std::string& betaversion() const { return fbetaversion; }
    void set_betaversion(const std::string& v);
    /// For a version "a.b": a × 256 + b; without "." the whole text as an integer;
    /// 0 when a part is no integer (so "3.0" gives 768 and "3.0.2.0" gives 0).
    int intversion() const;

    /// A double click on the program icon.
    std::function<void(QObject* sender)> OnEggClick;
    /// A double click on the picture (the error log switches its logging).
    std::function<void(QObject* sender)> OnActivateErrLog;

    QDialog* form() const { return form_.get(); }
    QLabel* titlelabel() const { return ftitlelabel; }
    QLabel* versionlabel() const { return fversionlabel; }
    QLabel* tamberlabel() const { return ftamberlabel; }
    QLabel* copyrightlabel() const { return fcopyrightlabel; }
    QLabel* compiledatelabel() const { return fcompiledatelabel; }
    QLabel* extralabel() const { return fextralabel; }
    QLabel* tamberimage() const { return ftamberimage; }
    QLabel* progicon() const { return fprogicon; }
    QPushButton* okbutton() const { return fokbutton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    /// Places the lines under each other and sizes the box to them.
    void layout_lines();
    /// Brings title, compile date, copyright, extra line and icon up to date.
    void refresh_labels();

private:
    void rebuild_version_line();

    std::unique_ptr<QDialog> form_;
    QFrame* panel = nullptr;
    QPushButton* fokbutton = nullptr;
    QLabel* ftitlelabel = nullptr;
    QLabel* ftamberlabel = nullptr;
    QLabel* fcompiledatelabel = nullptr;
    QLabel* fversionlabel = nullptr;
    QLabel* fcopyrightlabel = nullptr;
    QLabel* fextralabel = nullptr;
    QLabel* memorylabel = nullptr;
    QLabel* ftamberimage = nullptr;
    QLabel* fprogicon = nullptr;
    std::string ftitle = "AppName";
    std::string fversion = "auto";
    std::string fcopyright;
    std::string fextra;
    bool fbeta = false;
    std::string frevision = "auto";
    std::string fbetaversion;
    bool fshowatamber = false;
    bool fshowcompiledate = true;
    bool fbmp256 = true;
    std::string fosversions = "Win95/98/NT";
};

/// "Compiled " + the date this program was built, in the locale's short format.
std::string compile_date_text();

} // namespace zevrin
