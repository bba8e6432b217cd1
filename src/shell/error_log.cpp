#include "shell/error_log.h"

#include "dsp/text.h"
#include "platform/folders.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/unhandled_error.h"
#include "settings/ini.h"
#include "shell/maker.h"
#include "shell/throw_site.h"

#include <QDateTime>
#include <QLocale>

#include <filesystem>

namespace zevrin {

namespace {

constexpr const char* section = "ErrorLog";
constexpr const char* default_log_name = "TamberErr.log";

std::string program_path() {
    const std::string folder = program_folder();
    return folder.empty() ? program_file_name() : folder + "/" + program_file_name();
}

std::string current_folder() {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::string() : cwd.string();
}

std::string full_path(const std::string& name) {
    if (name.empty() || name[0] == '/') {
        return name;
    }
    const std::string cwd = current_folder();
    return cwd.empty() ? name : cwd + "/" + name;
}

std::string file_name_part(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An ini value holds one line: line breaks of a message become blanks.
std::string one_line(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

// Reads go to the hive directly: opening TTamberIni would create its key, and
// nothing may be written while logging is off.
std::string read_tamber(const char* key, const std::string& default_value) {
    Registry registry(RegistryHive::current_user);
    const std::optional<RegistryValue> v =
        registry.value(std::string(tamber_key) + "\\" + section, key);
    if (!v || v->kind == RegistryValue::Kind::other) {
        return default_value;
    }
    return v->kind == RegistryValue::Kind::dword ? std::to_string(static_cast<int32_t>(v->dword))
                                                 : v->text;
}

void write_tamber(const char* key, const std::string& value) {
    try {
        TTamberIni ini;
        ini.WriteString(section, key, value);
        try {
            ini.UpdateFile();
        } catch (const std::exception&) {
            ini.DiscardChanges(); // logging never raises, nor reports its own store
        }
    } catch (const std::exception&) {
    }
}

// Writes the values under `name` in the log file in one transaction.
void write_log_values(const std::string& file, const std::string& name,
                      const std::vector<std::pair<std::string, std::string>>& values) {
    IniFile ini(file);
    try {
        for (const auto& [key, value] : values) {
            ini.write(name, key, one_line(value));
        }
        ini.update_file();
    } catch (const std::exception&) {
        ini.discard_changes();
        throw;
    }
}

} // namespace

std::string log_stamp() {
    const QLocale locale;
    return locale
        .toString(QDateTime::currentDateTime(), locale.dateFormat(QLocale::ShortFormat) + " " +
                                                    locale.timeFormat(QLocale::LongFormat))
        .toStdString();
}

TErrorLog::TErrorLog(QObject* owner)
    : QObject(owner),
      fsendlogfilemessage(std::string("Please send this file to ") + maker_mail_address),
      flogfilename(default_log_name) {
    set_unhandled_error_handler(this,
                                [this](const std::exception& e) { handle_exception(this, e); });
}

TErrorLog::~TErrorLog() {
    remove_unhandled_error_handler(this);
    write_stamp("Terminated");
}

void TErrorLog::Loaded() {
    if (ftamberabout != nullptr) {
        ftamberabout->OnActivateErrLog = [this](QObject* sender) { onactivateerrlog(sender); };
        compiledatesave = ftamberabout->compiledatelabel()->text().toStdString();
    }
    show_in_about_box(Enabled());
    write_stamp("Started");
}

bool TErrorLog::is_writable(const std::string& file) {
    if (file.empty()) {
        return false;
    }
    try {
        IniFile ini(file);
        try {
            ini.write("Verify", "Ok", "1");
            ini.update_file();
            ini.erase_section("Verify");
            ini.update_file();
            return true;
        } catch (const std::exception&) {
            ini.discard_changes();
            return false;
        }
    } catch (const std::exception&) {
        return false;
    }
}

std::string TErrorLog::resolve_log_file(const std::string& wanted) {
    const std::string stored = full_path(read_tamber("LogFileName", ""));
    std::string result;
    if (is_writable(stored)) {
        result = stored;
    } else {
        std::string name = file_name_part(wanted);
        if (name.empty()) {
            name = default_log_name;
        }
        const std::string data = windows_folder();
        for (const std::string& folder :
             {program_folder(), current_folder(), data, std::string()}) {
            // The program's data folder may not exist yet, as the system folder
            // always does where the log was first kept.
            if (folder == data) {
                folder_available(data);
            }
            if (is_writable(folder + "/" + name)) {
                result = folder + "/" + name;
                break;
            }
        }
    }
    write_tamber("LogFileName", result);
    return result;
}

std::string TErrorLog::LogFileName() {
    flogfilename = resolve_log_file(flogfilename);
    return flogfilename;
}

void TErrorLog::set_LogFileName(const std::string& name) {
    flogfilename = resolve_log_file(name);
}

// As TTamberIni reads a Boolean: true when the integer read is not 0.
bool TErrorLog::Enabled() const {
    return str_to_int_def(read_tamber("LogErrors", "0"), 0) != 0;
}

void TErrorLog::set_Enabled(bool on) {
    write_tamber("LogErrors", on ? "1" : "0"); // as TTamberIni writes a Boolean
    show_in_about_box(on);
}

void TErrorLog::show_in_about_box(bool on) {
    if (ftamberabout == nullptr) {
        return;
    }
    QLabel* date = ftamberabout->compiledatelabel();
    if (on && ftamberabout->beta()) {
        ftamberabout->tamberimage()->setToolTip("You found the Tamber twig!");
        const QString file = QString::fromStdString(LogFileName());
        date->setText(file);
        date->setToolTip(file);
        date->setFixedWidth(ftamberabout->titlelabel()->width());
    } else if (!on) {
        ftamberabout->tamberimage()->setToolTip(QString());
        date->setText(QString::fromStdString(compiledatesave.empty() ? compile_date_text()
                                                                     : compiledatesave));
        date->setToolTip(QString());
    }
}

void TErrorLog::onactivateerrlog(QObject* /*sender*/) {
    set_Enabled(!Enabled());
}

void TErrorLog::write_stamp(const std::string& text) {
    try {
        if (!Enabled()) {
            return;
        }
        const std::string file = LogFileName();
        if (!file.empty()) {
            write_log_values(file, "Termination", {{program_path(), text + " at " + log_stamp()}});
        }
    } catch (const std::exception&) {
    }
}

std::string
TErrorLog::write_section(const std::string& file,
                         const std::vector<std::pair<std::string, std::string>>& values) {
    const std::string name = "Exception at " + log_stamp();
    std::string user;
    try {
        user = user_name();
    } catch (const std::exception&) {
    }
    std::vector<std::pair<std::string, std::string>> all = {
        {"ExeName", program_path()}, {"CurrentUser", user}, {"ComputerName", computer_name()}};
    if (ftamberabout != nullptr) {
        all.insert(all.end(), {{"Application", ftamberabout->Title()},
                               {"Version", ftamberabout->Version()},
                               {"Revision", ftamberabout->Revision()},
                               {"Extra", ftamberabout->Extra()}});
    }
    all.insert(all.end(), values.begin(), values.end());
    write_log_values(file, name, all);
    return name;
}

void TErrorLog::LogString(const std::string& stringtolog) {
    try {
        if (!Enabled()) {
            return;
        }
        const std::string file = LogFileName();
        if (!file.empty()) {
            write_section(file, {{"DebugString", fdebugstring}, {"Message", stringtolog}});
        }
    } catch (const std::exception&) {
    }
}

void TErrorLog::handle_exception(QObject* sender, const std::exception& e) {
    try {
        if (Enabled()) {
            const std::string file = LogFileName();
            if (!file.empty()) {
                const std::string key = write_section(
                    file, {{"Message", e.what()},
                           {"Address", throw_address_text(dynamic_cast<const void*>(&e))},
                           {"DebugString", fdebugstring}});
                if (OnAddToFile) {
                    OnAddToFile(this, file, key);
                }
                if (fsendlogfilemessagebox) {
                    message_box(fsendlogfilemessage + "\r" + file, "Logfile created",
                                mb::ok | mb::iconerror);
                }
            }
            if (OnException) {
                OnException(sender, e);
            }
        }
    } catch (...) {
        // Logging never stands in the way of the error message.
    }
    if (fshowexceptions) {
        show_standard_error(e.what());
    }
}

} // namespace zevrin
