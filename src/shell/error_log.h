#pragma once
// TErrorLog: the handler of every exception that escapes an event handler. It
// installs itself as the program's one entry for unhandled errors
// (platform/unhandled_error.h), which the application's event dispatch, the main
// window's and the settings dialog's handlers use. While logging is on it records
// each exception, and a start and an end stamp of every run, in a log file in ini
// form, and tells the user where that file is; then it shows the standard error
// message.
//
// Logging is off by default; a double click on the about box's picture switches it.
// Its settings live in TTamberIni, section "ErrorLog": "LogErrors" and the last log
// file used, "LogFileName". While logging is off no file is touched: the log file
// is looked for only when there is something to write.
//
// The log file (every write goes through the ini file's atomic replacement):
//
//   [Termination]
//   /usr/bin/zevrin=Started at 03/05/2024 14:02:11     ("Terminated at ..." after a
//                                                         normal end)
//   [Exception at 03/05/2024 14:03:40]
//   ExeName=...  CurrentUser=...  ComputerName=...  Application=...  Version=...
//   Revision=...  Extra=...  Message=...  Address=0001A2F4  DebugString=...
//
// Logging never raises: every failure of the store or the file is swallowed. GUI
// thread only.

#include "shell/about.h"

#include <QObject>

#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zevrin {

/// sender: the error log; FileName: the log file; Key: the section just written.
using tAddToFileEvent =
    std::function<void(QObject* sender, const std::string& FileName, const std::string& Key)>;

class TErrorLog : public QObject {
public:
    /// Installs itself as the handler of unhandled errors.
    explicit TErrorLog(QObject* owner = nullptr);
    /// Writes the "Terminated" stamp and removes itself as the handler.
    ~TErrorLog() override;
    TErrorLog(const TErrorLog&) = delete;
    TErrorLog& operator=(const TErrorLog&) = delete;

    /// To be called once the properties are set: connects the about box's picture,
    /// shows the logging state there and writes the "Started" stamp.
    void Loaded();

    bool ShowExceptions() const { return fshowexceptions; }
    void set_ShowExceptions(bool v) { fshowexceptions = v; }
    bool SendLogFileRequest() const { return fsendlogfilemessagebox; }
    void set_SendLogFileRequest(bool v) { fsendlogfilemessagebox = v; }
    const std::string& SendLogFileMessage() const { return fsendlogfilemessage; }
    void set_SendLogFileMessage(const std::string& v) { fsendlogfilemessage = v; }
    /// The log file that is used now: the stored one while it can be written, else
    /// the first writable of the program's folder, the current folder, the
    /// program's data folder and the root folder, each with the file name of the
    /// last name set ("TamberErr.log"); empty when none can be written. Stored.
    std::string LogFileName();
    /// Only the file name of `name` counts (see LogFileName()); stored at once.
    void set_LogFileName(const std::string& name);
    TAbout* Tamberabout() const { return ftamberabout; }
    void set_Tamberabout(TAbout* about) { ftamberabout = about; }
    const std::string& DebugString() const { return fdebugstring; }
    void set_DebugString(const std::string& v) { fdebugstring = v; }

    /// The stored "LogErrors".
    bool Enabled() const;
    /// Stores it and shows it in the about box.
    void set_Enabled(bool on);

    /// Called after an exception was written to the log, while logging is on.
    std::function<void(QObject* sender, const std::exception& e)> OnException;
    tAddToFileEvent OnAddToFile;

    /// Writes `stringtolog` as the "Message" of a section of its own, while logging
    /// is on.
    void LogString(const std::string& stringtolog);
    /// The about box's picture was double-clicked: switches logging.
    void onactivateerrlog(QObject* sender);
    /// Logs `e` while logging is on, tells where the log is, then shows the
    /// standard error message (with ShowExceptions).
    void handle_exception(QObject* sender, const std::exception& e);

    /// True when the value "Ok" can be written to the section "Verify" of `file`
    /// and the section erased again; creates the file when missing.
    static bool is_writable(const std::string& file);

private:
    void write_stamp(const std::string& text);
    /// Writes an "Exception at" section: the program's and the about box's facts,
    /// then `values`. Returns the section's name.
    std::string write_section(const std::string& file,
                              const std::vector<std::pair<std::string, std::string>>& values);
    std::string resolve_log_file(const std::string& wanted);
    void show_in_about_box(bool on);

    bool fshowexceptions = true;
    bool fsendlogfilemessagebox = true;
    std::string fsendlogfilemessage;
    std::string flogfilename;
    TAbout* ftamberabout = nullptr;
    std::string fdebugstring;
    std::string compiledatesave;
};

/// The date and time in the user's short date and long time format.
std::string log_stamp();

} // namespace zevrin
