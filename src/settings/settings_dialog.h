#pragma once
// TForm2: the modal dialog "Settings". Each showing fills its controls from the
// main window's settings; "&Ok" writes them all back in a fixed order and closes,
// "&Cancel" closes without writing. Nothing is stored on disk here.
//
// Four pages: "General" (sampling frequency, FFT bandwidth and window or the SLTAS
// note, display options, the curves shown, the sound cards), "Axes" (frequency and
// level ranges), "LTAS/SLTAS" (decay, exclusion, the test signal) and "Colors" (a
// working copy of the curve colours with swatches). A few controls update others
// while the user types: the "FFT points: " preview, the frequency range that follows
// the sampling frequency, and the SLTAS bandwidth.
//
// Setting a control from code runs its handler as a user change would: an edit's
// when its text changes, a check box's when its state changes; selecting a list or
// combo entry from code runs none. Numbers are shown and read with the user's
// decimal separator. A text that is no number stops "&Ok" with the conversion
// message, keeping what was written before it, and the dialog stays open.

#include "settings/settings_keys.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace zevrin {

class TForm2 : public QDialog {
public:
    /// `values` must outlive the dialog; `applied` runs at the end of "&Ok", after
    /// everything is written (the window updates its menus and repaints).
    TForm2(const TSettingValues& values, std::function<void()> applied, QWidget* parent = nullptr);

    /// The working colours, edited on the "Colors" page and written back on "&Ok".
    std::array<uint32_t, ncurves> linecolor{};
    /// The bandwidth of an SLTAS frame, sampling frequency / SLTAS points, as the
    /// last update of the SLTAS group computed it.
    double bw = 0.0;

    // Handlers, by the controls they belong to.
    void FormShow();
    void Button1Click();
    void sfeditChange();
    void bweditChange();
    void windowcomboChange();
    void xautocheckClick();
    void logcheckClick();
    void musicfscalecheckClick();
    void wavecheckClick();
    void stretchcheckClick();
    void dualcheckClick();
    void decaycheckClick();
    void usesltascheckClick();
    void sltaspointsComboClick();
    void ListBox1DrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
    void colorbuttonClick();
    void defaultbuttonClick();

    // Controls, by their names.
    QTabWidget* PageControl1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    // "General"
    QLineEdit* sfedit = nullptr;
    QGroupBox* fft1group = nullptr;
    QLineEdit* bwedit = nullptr;
    QComboBox* windowcombo = nullptr;
    QLabel* sizelabel = nullptr;
    QGroupBox* FFT2group = nullptr;
    QLabel* bwlabel1 = nullptr;
    QLabel* windowlabel1 = nullptr;
    QCheckBox* highpasscheck = nullptr;
    QCheckBox* measurecheck = nullptr;
    QCheckBox* bltcheck = nullptr;
    QCheckBox* dualcheck = nullptr;
    QCheckBox* wavecheck = nullptr;
    QCheckBox* gridcheck = nullptr;
    QCheckBox* stretchcheck = nullptr;
    QLabel* butlabel = nullptr;
    QLineEdit* maxgainedit = nullptr;
    QLabel* butlabel2 = nullptr;
    QListWidget* monoCheckList = nullptr;
    QListWidget* StereoCheckList = nullptr;
    QComboBox* recordcardcombo = nullptr;
    /// The capture's latency in milliseconds (the recording component's Latency).
    QLineEdit* latencyedit = nullptr;
    QComboBox* playcardcombo = nullptr;
    // "Axes"
    QCheckBox* xautocheck = nullptr;
    QCheckBox* logcheck = nullptr;
    QCheckBox* musicfscalecheck = nullptr;
    QLabel* fmaxlabel = nullptr;
    QLineEdit* fmaxedit = nullptr;
    QLabel* fminlabel = nullptr;
    QLineEdit* fminedit = nullptr;
    QLineEdit* dbmaxedit = nullptr;
    QLineEdit* dbminedit = nullptr;
    // "LTAS/SLTAS"
    QCheckBox* decaycheck = nullptr;
    QLabel* decaylabel = nullptr;
    QLineEdit* decayedit = nullptr;
    QCheckBox* excludeoverloadedcheck = nullptr;
    QCheckBox* excludehighpowercheck = nullptr;
    QLineEdit* excludedblimitedit = nullptr;
    QCheckBox* usesltascheck = nullptr;
    QComboBox* sltaspointsCombo = nullptr;
    QGroupBox* partialpatternbox = nullptr;
    /// The five choices "All", "Even only", N "per octave", N "even per octave" and
    /// F "Hz sinusoid", with the ids 0 to 4.
    QButtonGroup* partialpatternradio = nullptr;
    QSpinBox* partialspin = nullptr;
    QLineEdit* singlesinusfreqedit = nullptr;
    QLineEdit* chirpinessedit = nullptr;
    QLineEdit* tiltedit = nullptr;
    // "Colors"
    QListWidget* ListBox1 = nullptr;
    QPushButton* colorbutton = nullptr;
    QPushButton* defaultbutton = nullptr;
    QColorDialog* ColorDialog1 = nullptr;

    /// List item → curve number of the two "Show channels" lists.
    static const std::array<int, 5> monocurves;
    static const std::array<int, 13> stereocurves;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* create_general_page();
    QWidget* create_fft_groups();
    QWidget* create_channels_group();
    QWidget* create_axes_page();
    QWidget* create_averages_page();
    QWidget* create_partials_group();
    QWidget* create_colors_page();
    void connect_handlers();

    void update_fft_points();
    void update_wave_options();
    void update_sltas_group();
    void fill_check_list(QListWidget* list, const int* curves, size_t count);
    void read_check_list(const QListWidget* list, const int* curves, size_t count);

    /// Runs a handler; an error it raises is shown in a message box, except while
    /// the controls are being filled (the window's own values: "&Ok" reports what
    /// cannot be taken back).
    void guarded(const std::function<void()>& handler);

    TSettingValues fvalues;
    std::function<void()> fapplied;
    bool fshowing = false;
};

} // namespace zevrin
