// The main window's settings: saving and opening them in the registry and in
// settings files, the "&Settings" menu, the settings dialog, closing and the about box.

#include "app/main_window.h"

#include "platform/message_box.h"
#include "platform/registry.h"
#include "settings/ini.h"
#include "zevrin_version.h"

#include <QAction>
#include <QFileDialog>

#include <cmath>
#include <exception>

namespace zevrin {

TSettingValues TForm1::setting_values() {
    return {fanalyser, linecolor, defaultlinecolor, showcurve, &referencefiles};
}

bool TForm1::normal_window_state() const {
    return (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) ==
           0;
}

void TForm1::settings_applied() {
    fix_measuremenu();
    show_calibration();
    FormResize();
    PaintBox1->update();
    PaintBox2->update();
    apply_frequency_axis();
}

// The registry keeps the window's top in "XPos" and its left in "YPos", as the
// settings of earlier versions have them.
void TForm1::save_settings(const std::string& filename) {
    TIni ini(filename);
    const bool normal = normal_window_state();
    if (filename.empty()) {
        ini.WriteBool(common_section, "SaveSettingsOnExit", Always1->isChecked());
        ini.WriteInteger(common_section, "InLatency",
                         static_cast<int>(std::lround(components().MPCRecord1.Latency() * 1000)));
        if (normal) {
            ini.WriteInteger(common_section, "XPos", y());
            ini.WriteInteger(common_section, "YPos", x());
        }
    }
    if (normal) {
        ini.WriteInteger(common_section, "XSize", width());
        ini.WriteInteger(common_section, "YSize", height());
    }
    write_settings_keys(ini.store(), setting_values());
    try {
        ini.UpdateFile();
    } catch (const std::exception&) {
        ini.DiscardChanges(); // reported once, by the caller
        throw;
    }
    // Only a file that was written joins the recent files.
    if (!filename.empty()) {
        RecentFiles1->add(filename);
        fsettingsfile = filename;
    }
}

void TForm1::open_settings(const std::string& filename) {
    if (!filename.empty()) {
        check_settings_file(filename);
    }
    TIni ini(filename);
    const bool normal = normal_window_state();
    std::vector<std::string> warnings;
    const auto checked = [&](const char* key, int default_value) {
        return read_checked_integer(ini.store(), common_section, key, default_value, warnings);
    };
    if (!filename.empty()) {
        RecentFiles1->add(filename);
        fsettingsfile = filename;
    } else {
        Always1->setChecked(ini.ReadBool(common_section, "SaveSettingsOnExit", true));
        components().MPCRecord1.set_Latency(checked("InLatency", default_input_latency_ms) /
                                            1000.0);
        if (normal) {
            const int left = checked("YPos", x());
            move(left, checked("XPos", y()));
        }
    }
    if (normal) {
        const int w = checked("XSize", width());
        resize(w, checked("YSize", height()));
    }
    // A file whose scale is linear, opened while the scale is logarithmic, has a
    // range from 0 before its "LogfScale" key; the axis takes the range and the scale
    // together. What was read is shown, and the values that were replaced are named,
    // also when the display refuses what it got.
    fholdfrequencyaxis = true;
    std::exception_ptr failure;
    try {
        const std::vector<std::string> more = read_settings_keys(ini.store(), setting_values());
        warnings.insert(warnings.end(), more.begin(), more.end());
        load_reference_files(warnings);
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    fholdfrequencyaxis = false;
    try {
        settings_applied();
    } catch (const std::exception&) {
        if (!failure) {
            failure = std::current_exception();
        }
    }
    if (!warnings.empty()) {
        const std::string source = filename.empty() ? std::string("the stored settings")
                                                    : "the settings file \"" + filename + "\"";
        message_box(settings_warning_text(source, warnings), product_name,
                    mb::ok | mb::iconexclamation);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

std::unique_ptr<QFileDialog> TForm1::settings_file_dialog(bool save) {
    auto dialog = std::make_unique<QFileDialog>(this);
    dialog->setNameFilters({"Zevrin settings (*.zvr)", "All files (*)"});
    dialog->setDefaultSuffix("zvr");
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setSizeGripEnabled(true);
    if (!fsettingsfile.empty()) {
        dialog->selectFile(QString::fromStdString(fsettingsfile));
    }
    return dialog;
}

// ---- the "&Settings" menu -------------------------------------------------------

void TForm1::SettingsExecute() {
    Form2->exec();
}

void TForm1::Savenow1Click() {
    guarded([this] { save_settings(""); });
}

void TForm1::Always1Click() {
    guarded([this] {
        TIni ini("");
        ini.WriteBool(common_section, "SaveSettingsOnExit", Always1->isChecked());
        try {
            ini.UpdateFile();
        } catch (const std::exception&) {
            ini.DiscardChanges();
            throw;
        }
    });
}

void TForm1::open_settings_file(const std::string& filename) {
    guarded([&] { open_settings(filename); });
}

void TForm1::Openfile1Click() {
    const std::unique_ptr<QFileDialog> dialog = settings_file_dialog(false);
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        open_settings_file(dialog->selectedFiles().front().toStdString());
    }
}

void TForm1::Saveasfile1Click() {
    const std::unique_ptr<QFileDialog> dialog = settings_file_dialog(true);
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        const std::string name = dialog->selectedFiles().front().toStdString();
        guarded([&] { save_settings(name); });
    }
}

void TForm1::RecentFiles1Click(QObject* /*sender*/, int /*ItemNo*/, const std::string& FileName) {
    guarded([&] { open_settings(FileName); });
}

void TForm1::About1Click() {
    TamberAbout1->showmodal();
}

// Closing is not refused for settings that cannot be saved, but the user who
// would lose them is asked first; without a home folder the user was told at the
// start that nothing can be kept.
bool TForm1::FormClose() {
    if (!Always1->isChecked() || !user_hive_available()) {
        return true;
    }
    try {
        save_settings("");
        return true;
    } catch (const std::exception& e) {
        return message_box(std::string(e.what()) +
                               "\n\nThe settings were not saved. Close the window anyway?",
                           product_name, mb::yesno | mb::iconexclamation) == id::yes;
    }
}

} // namespace zevrin
