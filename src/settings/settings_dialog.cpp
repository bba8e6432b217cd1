// The settings dialog's construction: pages, controls and their handlers.

#include "settings/settings_dialog.h"

#include "engine/setting_limits.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zevrin {

const std::array<int, 5> TForm2::monocurves = {1, 4, 7, 11, 15};
const std::array<int, 13> TForm2::stereocurves = {2, 3, 5, 6, 8, 9, 10, 12, 13, 14, 16, 17, 18};

namespace {

constexpr const char* sltas_points_items[] = {"16",   "32",   "64",   "128",  "256",   "512",
                                              "1024", "2048", "4096", "8192", "16384", "32768"};

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

// A control that is shown only in some states keeps its room, so that the dialog
// does not change its size while the user works in it.
void keep_room(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QLineEdit* number_edit(const char* name) {
    auto* edit = named(new QLineEdit, name);
    edit->setMaximumWidth(110);
    return edit;
}

// A label above its control, as one column.
QWidget* labelled(const QString& caption, QWidget* control, QLabel** label = nullptr) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* l = new QLabel(caption);
    l->setBuddy(control);
    layout->addWidget(l);
    layout->addWidget(control);
    if (label != nullptr) {
        *label = l;
    }
    return box;
}

class TSwatchDelegate : public QStyledItemDelegate {
public:
    TSwatchDelegate(TForm2& form, QObject* parent) : QStyledItemDelegate(parent), fform(form) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        fform.ListBox1DrawItem(*painter, index.row(), option.rect,
                               (option.state & QStyle::State_Selected) != 0);
    }

private:
    TForm2& fform;
};

} // namespace

TForm2::TForm2(const TSettingValues& values, std::function<void()> applied, QWidget* parent)
    : QDialog(parent), fvalues(values), fapplied(std::move(applied)) {
    setObjectName("Form2");
    setWindowTitle("Settings");
    PageControl1 = named(new QTabWidget, "PageControl1");
    PageControl1->addTab(create_general_page(), "General");
    PageControl1->addTab(create_axes_page(), "Axes");
    PageControl1->addTab(create_averages_page(), "LTAS/SLTAS");
    PageControl1->addTab(create_colors_page(), "Colors");
    Button1 = named(new QPushButton("&Ok"), "Button1");
    Button1->setDefault(true);
    Button2 = named(new QPushButton("&Cancel"), "Button2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    // A fixed border: the dialog keeps the size its pages need.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ColorDialog1 = named(new QColorDialog(this), "ColorDialog1");
    ColorDialog1->setOption(QColorDialog::DontUseNativeDialog);
    linecolor = fvalues.linecolor;
    connect_handlers();
}

QWidget* TForm2::create_general_page() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    sfedit = number_edit("sfedit");
    auto* left = new QVBoxLayout;
    left->addWidget(labelled("Sampling frequency [Hz]", sfedit));
    left->addWidget(create_fft_groups());
    highpasscheck = named(new QCheckBox("Highpass (1Hz)"), "highpasscheck");
    measurecheck = named(new QCheckBox("Measure"), "measurecheck");
    bltcheck = named(new QCheckBox("Plot offscreen"), "bltcheck");
    dualcheck = named(new QCheckBox("Dual channels"), "dualcheck");
    wavecheck = named(new QCheckBox("Show waveform"), "wavecheck");
    gridcheck = named(new QCheckBox("Show gridlines"), "gridcheck");
    stretchcheck = named(new QCheckBox("Stretch wave to fit"), "stretchcheck");
    keep_room(stretchcheck);
    for (QCheckBox* c :
         {highpasscheck, measurecheck, bltcheck, dualcheck, wavecheck, gridcheck, stretchcheck}) {
        left->addWidget(c);
    }
    butlabel = named(new QLabel("..but use no more than"), "butlabel");
    maxgainedit = number_edit("maxgainedit");
    maxgainedit->setMaximumWidth(50);
    butlabel2 = named(new QLabel("dB gain"), "butlabel2");
    auto* gain = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{butlabel, maxgainedit, butlabel2}) {
        keep_room(w);
        gain->addWidget(w);
    }
    gain->addStretch(1);
    left->addLayout(gain);
    left->addStretch(1);
    recordcardcombo = named(new QComboBox, "recordcardcombo");
    playcardcombo = named(new QComboBox, "playcardcombo");
    for (QComboBox* c : {recordcardcombo, playcardcombo}) {
        c->setMinimumWidth(200);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    auto* right = new QVBoxLayout;
    right->addWidget(create_channels_group());
    right->addWidget(labelled("Recording soundcard", recordcardcombo));
    latencyedit = number_edit("latencyedit");
    latencyedit->setMaximumWidth(60);
    right->addWidget(labelled("Recording latency [ms]", latencyedit));
    right->addWidget(labelled("Playback soundcard", playcardcombo));
    right->addStretch(1);
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    return page;
}

QWidget* TForm2::create_fft_groups() {
    auto* place = new QWidget;
    auto* stack = new QGridLayout(place);
    stack->setContentsMargins(0, 0, 0, 0);
    fft1group = named(new QGroupBox("FFT"), "fft1group");
    bwedit = number_edit("bwedit");
    windowcombo = named(new QComboBox, "windowcombo");
    sizelabel = named(new QLabel("FFT points: "), "sizelabel");
    auto* g1 = new QVBoxLayout(fft1group);
    g1->addWidget(labelled("Bandwidth [Hz]", bwedit));
    g1->addWidget(labelled("Window", windowcombo));
    g1->addWidget(sizelabel);
    FFT2group = named(new QGroupBox("FFT"), "FFT2group");
    bwlabel1 = named(new QLabel, "bwlabel1");
    windowlabel1 = named(new QLabel("rectangular"), "windowlabel1");
    auto* note = new QLabel("Note: the window and bandwidth are set by the SLTAS options.");
    note->setWordWrap(true);
    auto* g2 = new QGridLayout(FFT2group);
    g2->addWidget(new QLabel("Bandwidth:"), 0, 0);
    g2->addWidget(bwlabel1, 0, 1);
    g2->addWidget(new QLabel("Window:"), 1, 0);
    g2->addWidget(windowlabel1, 1, 1);
    g2->addWidget(note, 2, 0, 1, 2);
    g2->setRowStretch(3, 1);
    for (QGroupBox* g : {fft1group, FFT2group}) {
        keep_room(g);
        stack->addWidget(g, 0, 0);
    }
    FFT2group->hide();
    return place;
}

QWidget* TForm2::create_channels_group() {
    auto* group = new QGroupBox("Show channels");
    auto* stack = new QGridLayout(group);
    monoCheckList = named(new QListWidget, "monoCheckList");
    StereoCheckList = named(new QListWidget, "StereoCheckList");
    for (int curve : monocurves) {
        monoCheckList->addItem(curve_names[static_cast<size_t>(curve)]);
    }
    for (int curve : stereocurves) {
        StereoCheckList->addItem(curve_names[static_cast<size_t>(curve)]);
    }
    for (QListWidget* list : {monoCheckList, StereoCheckList}) {
        for (int i = 0; i < list->count(); ++i) {
            list->item(i)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            list->item(i)->setCheckState(Qt::Checked);
        }
        list->setMinimumHeight(list->sizeHintForRow(0) * 13 + 2 * list->frameWidth());
        keep_room(list);
        stack->addWidget(list, 0, 0);
    }
    StereoCheckList->hide();
    return group;
}

QWidget* TForm2::create_axes_page() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    auto* xgroup = new QGroupBox("X Axis");
    auto* x = new QVBoxLayout(xgroup);
    xautocheck = named(new QCheckBox("Auto"), "xautocheck");
    logcheck = named(new QCheckBox("Log"), "logcheck");
    musicfscalecheck = named(new QCheckBox("Music notes"), "musicfscalecheck");
    fmaxedit = number_edit("fmaxedit");
    fminedit = number_edit("fminedit");
    for (QWidget* w : std::initializer_list<QWidget*>{xautocheck, logcheck, musicfscalecheck}) {
        x->addWidget(w);
    }
    x->addWidget(labelled("Max value [Hz]", fmaxedit, &fmaxlabel));
    x->addWidget(labelled("Min value [Hz]", fminedit, &fminlabel));
    fmaxlabel->setObjectName("fmaxlabel");
    fminlabel->setObjectName("fminlabel");
    x->addStretch(1);
    auto* ygroup = new QGroupBox("Y Axis");
    auto* y = new QVBoxLayout(ygroup);
    dbmaxedit = number_edit("dbmaxedit");
    dbminedit = number_edit("dbminedit");
    y->addWidget(labelled("Max value [dB]", dbmaxedit));
    y->addWidget(labelled("Min value [dB]", dbminedit));
    y->addStretch(1);
    layout->addWidget(xgroup);
    layout->addWidget(ygroup);
    return page;
}

QWidget* TForm2::create_averages_page() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    decaycheck = named(new QCheckBox("Decay"), "decaycheck");
    decayedit = number_edit("decayedit");
    QWidget* decay = labelled("Decay time (-60dB) [s]", decayedit, &decaylabel);
    decaylabel->setObjectName("decaylabel");
    keep_room(decaylabel);
    keep_room(decayedit);
    excludeoverloadedcheck =
        named(new QCheckBox("Exclude overloaded frames"), "excludeoverloadedcheck");
    excludehighpowercheck =
        named(new QCheckBox("Exclude high power frames [dB]"), "excludehighpowercheck");
    excludedblimitedit = number_edit("excludedblimitedit");
    excludedblimitedit->setMaximumWidth(50);
    auto* highpower = new QHBoxLayout;
    highpower->addWidget(excludehighpowercheck);
    highpower->addWidget(excludedblimitedit);
    highpower->addStretch(1);
    layout->addWidget(decaycheck);
    layout->addWidget(decay);
    layout->addWidget(excludeoverloadedcheck);
    layout->addLayout(highpower);
    auto* group = new QGroupBox("SLTAS");
    auto* g = new QGridLayout(group);
    usesltascheck = named(new QCheckBox("Enable SLTAS"), "usesltascheck");
    sltaspointsCombo = named(new QComboBox, "sltaspointsCombo");
    for (const char* item : sltas_points_items) {
        sltaspointsCombo->addItem(item);
    }
    chirpinessedit = number_edit("chirpinessedit");
    tiltedit = number_edit("tiltedit");
    g->addWidget(usesltascheck, 0, 0);
    g->addWidget(labelled("FFT points", sltaspointsCombo), 1, 0);
    g->addWidget(labelled("\"Chirpiness\"", chirpinessedit), 2, 0);
    g->addWidget(labelled("Spectral tilt [dB/oct]", tiltedit), 3, 0);
    g->addWidget(create_partials_group(), 0, 1, 5, 1);
    g->setRowStretch(4, 1);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

// The spin edit stands in the gap of the third and fourth choice and gives their N;
// the frequency edit stands in the gap of the fifth. A click on a choice's text
// selects it, as on a radio button's own caption.
QWidget* TForm2::create_partials_group() {
    partialpatternbox = named(new QGroupBox("Partials"), "partialpatternradio");
    partialpatternradio = new QButtonGroup(partialpatternbox);
    auto* grid = new QGridLayout(partialpatternbox);
    partialspin = named(new QSpinBox, "partialspin");
    const TSettingLimit& partials = setting_limit("PartialsPerOctave");
    partialspin->setRange(static_cast<int>(partials.low), static_cast<int>(partials.high));
    partialspin->setMaximumWidth(70);
    singlesinusfreqedit = number_edit("singlesinusfreqedit");
    singlesinusfreqedit->setMaximumWidth(70);
    const char* captions[] = {"All", "Even only", "per octave", "even per octave", "Hz sinusoid"};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(i < 2 ? captions[i] : "");
        partialpatternradio->addButton(radio, i);
        grid->addWidget(radio, i, 0);
        if (i >= 2) {
            auto* text = new QLabel(captions[i]);
            text->setProperty("choice", i);
            text->installEventFilter(this);
            grid->addWidget(text, i, 2);
        }
    }
    grid->addWidget(partialspin, 2, 1, 2, 1);
    grid->addWidget(singlesinusfreqedit, 4, 1);
    grid->setColumnStretch(2, 1);
    return partialpatternbox;
}

QWidget* TForm2::create_colors_page() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    ListBox1 = named(new QListWidget, "ListBox1");
    for (const char* name : curve_names) {
        ListBox1->addItem(name);
    }
    ListBox1->setItemDelegate(new TSwatchDelegate(*this, ListBox1));
    colorbutton = named(new QPushButton("Change"), "colorbutton");
    defaultbutton = named(new QPushButton("Use default colors!"), "defaultbutton");
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(colorbutton);
    buttons->addWidget(defaultbutton);
    buttons->addStretch(1);
    layout->addWidget(ListBox1);
    layout->addLayout(buttons);
    return page;
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    const QVariant choice = watched->property("choice");
    if (event->type() == QEvent::MouseButtonRelease && choice.isValid()) {
        partialpatternradio->button(choice.toInt())->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm2::connect_handlers() {
    const auto on = [this](auto* sender, auto signal, void (TForm2::*handler)()) {
        connect(sender, signal, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(sfedit, &QLineEdit::textChanged, &TForm2::sfeditChange);
    on(bwedit, &QLineEdit::textChanged, &TForm2::bweditChange);
    on(windowcombo, &QComboBox::activated, &TForm2::windowcomboChange);
    on(xautocheck, &QCheckBox::toggled, &TForm2::xautocheckClick);
    on(logcheck, &QCheckBox::toggled, &TForm2::logcheckClick);
    on(musicfscalecheck, &QCheckBox::toggled, &TForm2::musicfscalecheckClick);
    on(wavecheck, &QCheckBox::toggled, &TForm2::wavecheckClick);
    on(stretchcheck, &QCheckBox::toggled, &TForm2::stretchcheckClick);
    on(dualcheck, &QCheckBox::toggled, &TForm2::dualcheckClick);
    on(decaycheck, &QCheckBox::toggled, &TForm2::decaycheckClick);
    on(usesltascheck, &QCheckBox::toggled, &TForm2::usesltascheckClick);
    on(sltaspointsCombo, &QComboBox::activated, &TForm2::sltaspointsComboClick);
    on(colorbutton, &QPushButton::clicked, &TForm2::colorbuttonClick);
    on(defaultbutton, &QPushButton::clicked, &TForm2::defaultbuttonClick);
    on(Button1, &QPushButton::clicked, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace zevrin
