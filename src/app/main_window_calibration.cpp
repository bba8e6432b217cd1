// The main window's calibration and reference curves: the "Calibration..." dialog and
// its calibrator, "Save as reference...", "Load reference..." and "Clear references",
// and the Measure menu's reference items.

#include "app/main_window.h"

#include "app/analyse_command.h"
#include "app/calibration_dialog.h"
#include "app/curve_file.h"
#include "engine/curve_export.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QMenu>

#include <algorithm>
#include <stdexcept>

namespace zevrin {

void TForm1::create_calibration() {
    Calibration1 = new QAction("&Calibration...", this);
    Calibration1->setObjectName("Calibration1");
    connect(Calibration1, &QAction::triggered, this,
            [this] { guarded([this] { CalibrationExecute(); }); });
    Settings1->insertAction(Savenow1, Calibration1);
    SaveReference1 = new QAction("Save as reference...", this);
    LoadReference1 = new QAction("Load reference...", this);
    ClearReferences1 = new QAction("Clear references", this);
    connect(SaveReference1, &QAction::triggered, this, &TForm1::SaveReference1Click);
    connect(LoadReference1, &QAction::triggered, this, &TForm1::LoadReference1Click);
    connect(ClearReferences1, &QAction::triggered, this,
            [this] { guarded([this] { clear_references(); }); });
    // Beside "Export curves...", above the separator over "E&xit".
    const QList<QAction*> items = File1->actions();
    QAction* before = items.at(std::max<qsizetype>(items.indexOf(Exit1) - 1, 0));
    for (QAction* a : {SaveReference1, LoadReference1, ClearReferences1}) {
        File1->insertAction(before, a);
    }
    create_reference_items();
    PaintBox1->set_references(&references);
    // The calibrator is handed every frame while it measures.
    fanalyser.OnFrame = [before = fanalyser.OnFrame, this] {
        if (before) {
            before();
        }
        if (fcalibrator.running()) {
            fcalibrator.add(fanalyser);
            if (fcalibrationdialog != nullptr) {
                fcalibrationdialog->frame_taken();
            }
        }
    };
}

void TForm1::create_reference_items() {
    freferenceseparator = Measure1->insertSeparator(N2);
    freferenceseparator->setVisible(false);
    for (size_t k = 0; k < referenceitems.size(); ++k) {
        QAction* item = new QAction(QString("Reference %1").arg(k + 1), this);
        item->setObjectName(QString("MeasureReference%1").arg(k + 1));
        item->setCheckable(true);
        item->setVisible(false);
        Measure1->insertAction(N2, item);
        connect(item, &QAction::triggered, this, [this, k] {
            guarded([this, k] {
                fmeasuredreference = static_cast<int>(k);
                fanalyser.set_measurecurveno(0);
                show_reference_items();
            });
        });
        referenceitems[k] = item;
    }
    for (QAction* item : measureitems) {
        connect(item, &QAction::triggered, this, [this] {
            fmeasuredreference = -1;
            show_reference_items();
        });
    }
}

void TForm1::show_reference_items() {
    if (referenceitems[0] == nullptr) {
        return; // the menu is being made
    }
    if (fmeasuredreference >= static_cast<int>(references.size())) {
        fmeasuredreference = -1;
    }
    freferenceseparator->setVisible(!references.empty());
    for (size_t k = 0; k < referenceitems.size(); ++k) {
        referenceitems[k]->setVisible(k < references.size());
        if (k < references.size()) {
            referenceitems[k]->setText(QString("Reference %1: %2")
                                           .arg(k + 1)
                                           .arg(QString::fromStdString(references[k].name)));
        }
        referenceitems[k]->setChecked(static_cast<int>(k) == fmeasuredreference);
    }
    if (fmeasuredreference >= 0) {
        for (QAction* item : measureitems) {
            item->setChecked(false);
        }
    }
}

void TForm1::CalibrationExecute() {
    TCalibrationDialog dialog(fanalyser, fcalibrator, this);
    fcalibrationdialog = &dialog;
    const int result = dialog.exec();
    fcalibrationdialog = nullptr;
    if (result == QDialog::Accepted) {
        apply_calibration(dialog.calibration());
    }
}

void TForm1::apply_calibration(const TCalibration& calibration) {
    fanalyser.calibration = calibration;
    fanalyser.calibration.corrections_changed();
    show_calibration();
}

void TForm1::show_calibration() {
    yaxis->set_AxisText(fanalyser.calibration.axis_text());
    show_reference_items();
    PaintBox1->update();
    StatusBar2->update();
}

void TForm1::SaveReference1Click() {
    QFileDialog dialog(this, "Save as reference", QString(),
                       "Comma-separated values (*.csv);;All files (*)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("csv");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const std::string path = dialog.selectedFiles().front().toStdString();
        guarded([&] { save_reference(path); });
    }
}

void TForm1::LoadReference1Click() {
    QFileDialog dialog(this, "Load reference", QString(),
                       "Comma-separated values (*.csv);;All files (*)");
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const std::string path = dialog.selectedFiles().front().toStdString();
        guarded([&] { load_reference(path); });
    }
}

void TForm1::save_reference(const std::string& path) {
    if (fanalyser.outdb1.empty()) {
        throw std::runtime_error(
            "There are no curves to keep yet: run the analyser or analyse a sound file first");
    }
    write_reference_file(path, fanalyser, exported_curves(fanalyser, showcurve),
                         {"Zevrin reference", settings_summary(fanalyser)});
}

void TForm1::load_reference(const std::string& path) {
    if (references.size() >= reference_colors.size()) {
        throw std::runtime_error("Four references are shown already: clear them first");
    }
    references.push_back(read_reference(path));
    referencefiles.push_back(path);
    show_calibration();
}

void TForm1::clear_references() {
    references.clear();
    referencefiles.clear();
    show_calibration();
}

// The files the settings name; those that cannot be read are named in `warnings`.
void TForm1::load_reference_files(std::vector<std::string>& warnings) {
    const std::vector<std::string> files = referencefiles;
    references.clear();
    referencefiles.clear();
    for (const std::string& file : files) {
        try {
            load_reference(file);
        } catch (const std::exception& e) {
            warnings.push_back(std::string(e.what()) + "; it is not shown");
        }
    }
    show_calibration();
}

// A reference measured by the cursors: they stand where the pointer is and read the
// reference's last curve there.
void TForm1::measure_reference(bool pressed) {
    if (fmeasuredreference < 0 || fmeasuredreference >= static_cast<int>(references.size())) {
        return;
    }
    const TReferenceCurve& r = references[static_cast<size_t>(fmeasuredreference)];
    measure_reference_at(r, cursors, pressed);
}

} // namespace zevrin
