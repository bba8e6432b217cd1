// The main window's construction: components, controls, menus, actions and layout.

#include "app/main_window.h"

#include "app/device_wakeup.h"
#include "display/axis_font.h"
#include "shell/identity.h"
#include "zevrin_version.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace zevrin {

namespace {

constexpr int client_width = 537;
constexpr int client_height = 561;
constexpr int panel_minimum_height = 70;
constexpr int panel2_height = 77;
constexpr int splitter_height = 8;
constexpr int toolbar_height = 28;
constexpr int horizontal_axis_height = 25;
constexpr int level_axis_width = 37;
// The edge that the axes and plots keep from the panel's border.
constexpr int panel_margin = 2;
constexpr int axis_bottom_gap = 4;
// The Measure menu's first items, which form one radio group.
constexpr size_t measure_radio_items = 10;

QFrame* lowered_panel(const char* name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumHeight(panel_minimum_height);
    return panel;
}

void set_axis_form_values(TAxis& axis, tposition position, bool scroll, double hivalue,
                          int tickspaceaim, bool showtickmarks) {
    axis.set_Position(position);
    axis.set_AllowLoScroll(scroll);
    axis.set_AllowHiScroll(scroll);
    axis.set_AllowMidScroll(scroll);
    axis.set_AllowDoubleClick(false);
    axis.set_HiValue(hivalue);
    axis.set_TickSpaceAim(tickspaceaim);
    axis.set_ShowTickmarks(showtickmarks);
    axis.set_MarkerVisible(false);
}

} // namespace

TForm1::TForm1(TDevices& devices, QWidget* parent)
    : QMainWindow(parent), fcomponents(devices), fanalyser(fcomponents) {
    setWindowTitle(product_name);
    setFont(default_axis_font());
    create_panels();
    create_axes();
    PaintBox1 = new TSpectrumPlot(fanalyser, *xaxis, *yaxis, linecolor, showcurve, cursors, Panel1);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox2 = new TWaveformPanel(fanalyser, linecolor, Panel2);
    PaintBox2->setObjectName("PaintBox2");
    create_status_bars();
    create_actions();
    create_toolbar();
    create_menus();
    create_settings_components();
    create_shell_components();
    PaintBox1->OnMouseDown = [this](QMouseEvent* e) { PaintBox1MouseDown(e); };
    PaintBox1->OnMouseMove = [this](QMouseEvent* e) { PaintBox1MouseMove(e); };
    fanalyser.OnChange = [this](TAnalyserChange what) { engine_changed(what); };
    create_spectrogram();
    create_calibration();
    connect_devices();
    // The client area lies under the menu bar, which is part of this window.
    const int menu_height = menuBar()->heightForWidth(client_width);
    resize(client_width,
           client_height + (menu_height > 0 ? menu_height : menuBar()->sizeHint().height()));
    setMinimumSize(300, 270);
    centre_on_screen();
    show_buttons();
    show_measure_menu();
    fix_measuremenu();
    fix_actions();
}

TForm1::~TForm1() {
    fanalyser.OnChange = nullptr;
    // Nothing may reach the window from a device while it is taken apart.
    for (TMPCComponent* c : {static_cast<TMPCComponent*>(&fcomponents.MPCRecord1),
                             static_cast<TMPCComponent*>(&fcomponents.MPCPlay1)}) {
        try {
            c->Stop();
        } catch (const std::exception&) {
        }
        c->set_wakeup(nullptr);
    }
}

void TForm1::create_panels() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Splitter1 = new QSplitter(Qt::Vertical, central);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(splitter_height);
    Splitter1->setChildrenCollapsible(false);
    Panel2 = lowered_panel("Panel2", Splitter1);
    Panel1 = lowered_panel("Panel1", Splitter1);
    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({panel2_height, client_height});
    layout->addWidget(Splitter1, 1);
    setCentralWidget(central);
    Panel1->installEventFilter(this);
    Panel2->installEventFilter(this);
}

void TForm1::create_axes() {
    taxis = new TAxis(Panel2);
    taxis->setObjectName("taxis");
    taxis->set_Height(horizontal_axis_height);
    set_axis_form_values(*taxis, tposition::posunder, false, 1, 100, false);
    xaxis = new TAxis(Panel1);
    xaxis->setObjectName("xaxis");
    xaxis->set_Height(horizontal_axis_height);
    set_axis_form_values(*xaxis, tposition::posunder, true, 8000, 50, true);
    yaxis = new TAxis(Panel1);
    yaxis->setObjectName("yaxis");
    yaxis->set_Width(level_axis_width);
    set_axis_form_values(*yaxis, tposition::posleft, true, 1, 50, false);
    // Any change of either scale redraws the plot.
    const auto redraw = [this](TAxis*) { PaintBox1->update(); };
    xaxis->OnScaleChanging = redraw;
    yaxis->OnScaleChanging = redraw;
    xaxis->OnScaleChanged = redraw;
    yaxis->OnScaleChanged = redraw;
}

void TForm1::create_status_bars() {
    StatusBar1 = new TStatusBar(centralWidget());
    StatusBar1->setObjectName("StatusBar1");
    for (int width : {200, 200, 50}) {
        StatusBar1->add_panel(width);
    }
    StatusBar2 = new TStatusBar(centralWidget());
    StatusBar2->setObjectName("StatusBar2");
    StatusBar2->add_panel(200, true);
    StatusBar2->OnDrawPanel = [this](QPainter& p, int panel, const QRect& r) {
        StatusBar2DrawPanel(p, panel, r);
    };
    auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
    layout->addWidget(StatusBar1);
    layout->addWidget(StatusBar2);
}

QAction* TForm1::make_action(const char* caption, const QKeySequence& shortcut,
                             void (TForm1::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
}

void TForm1::create_actions() {
    create_output_actions();
    Run = make_action("Run", Qt::Key_F2, &TForm1::RunExecute);
    Freeze1 = make_action("Freeze", Qt::Key_F3, &TForm1::Freeze1Execute);
    DoLTAS = make_action("LTAS", Qt::Key_F7, &TForm1::DoLTASExecute);
    clearltas = make_action("Clear LTAS", Qt::Key_F8, &TForm1::clearltasExecute);
    DoSLTAS = make_action("SLTAS", {}, &TForm1::DoSLTASExecute);
    clearsltas = make_action("Clear SLTAS", {}, &TForm1::clearsltasExecute);
    playaction = make_action("Play SLTAS sound", {}, &TForm1::playactionExecute);
    AnalyseFile1 = make_action("Analyse sound file...", {}, &TForm1::AnalyseFile1Click);
    ExportCurves1 = make_action("Export curves...", {}, &TForm1::ExportCurves1Click);
    Exit1 = new QAction("E&xit", this);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    Settings = make_action("Options...", Qt::Key_F6, &TForm1::SettingsExecute);
    Settings->setIconText("Settings");
    add_idle_action(AnalyseFile1);
    add_idle_action(Settings);
}

QToolButton* TForm1::make_button(QAction* action, bool check) {
    auto* button = new QToolButton(ToolBar1);
    button->setText(action->iconText());
    const QString keys = action->shortcut().toString(QKeySequence::NativeText);
    button->setToolTip(keys.isEmpty() ? action->iconText()
                                      : action->iconText() + " (" + keys + ")");
    button->setCheckable(check);
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button,
            [button, action] { button->setEnabled(action->isEnabled()); });
    return button;
}

void TForm1::create_toolbar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setMinimumSize(toolbar_height, toolbar_height);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    runButton = make_button(Run, true);
    freezeButton = make_button(Freeze1, true);
    ltasbutton = make_button(DoLTAS, true);
    clearltasbutton = make_button(clearltas, false);
    // Short on the button, so that every button fits the window's first width.
    playaction->setIconText("Play");
    playbutton = make_button(playaction, true);
    playbutton->setToolTip(playaction->text());
    SLTASbutton = make_button(DoSLTAS, true);
    clearsltasbutton = make_button(clearsltas, false);
    settingsbutton = make_button(Settings, false);
    printbutton = make_button(Printaction, false);
    ToolBar1->addWidget(printbutton);
    ToolBar1->addSeparator();
    for (QToolButton* b : {runButton, freezeButton, ltasbutton, clearltasbutton}) {
        ToolBar1->addWidget(b);
    }
    ToolBar1->addSeparator();
    ToolBar1->addWidget(settingsbutton);
    ToolBar1->addSeparator();
    // Shown only in SLTAS mode; a toolbar shows or hides a widget through its action.
    for (QToolButton* b : {playbutton, SLTASbutton, clearsltasbutton}) {
        fsltasbuttons.emplace_back(b, ToolBar1->addWidget(b));
    }
}

void TForm1::create_menus() {
    File1 = menuBar()->addMenu("&File");
    File1->addAction(Printaction);
    File1->addSeparator();
    File1->addAction(AnalyseFile1);
    File1->addAction(ExportCurves1);
    File1->addSeparator();
    File1->addAction(Exit1);
    create_edit_menu();
    create_measure_menu();
    Control1 = menuBar()->addMenu("Control");
    for (QAction* a : {Run, Freeze1, DoLTAS, clearltas}) {
        Control1->addAction(a);
    }
    create_settings_menu();
}

// The recent files are appended to this menu once the components exist.
void TForm1::create_settings_menu() {
    Settings1 = menuBar()->addMenu("&Settings");
    Settings1->addAction(Settings);
    Settings1->addSeparator();
    Savenow1 = Settings1->addAction("Save &now!");
    Always1 = Settings1->addAction("Always save on e&xit");
    Always1->setCheckable(true);
    Always1->setChecked(true);
    Openfile1 = Settings1->addAction("&Open file...");
    Saveasfile1 = Settings1->addAction("Save &as file...");
    connect(Savenow1, &QAction::triggered, this, &TForm1::Savenow1Click);
    // The menu toggles the check before the handler runs; the handler writes it.
    connect(Always1, &QAction::triggered, this, &TForm1::Always1Click);
    connect(Openfile1, &QAction::triggered, this, &TForm1::Openfile1Click);
    connect(Saveasfile1, &QAction::triggered, this, &TForm1::Saveasfile1Click);
}

void TForm1::create_settings_components() {
    ProgId1 = new TProgId(this);
    configure_main_prog_id(*ProgId1);
    TamberAbout1 = new TTamberAbout(this);
    configure_main_about(*TamberAbout1);
    RecentFiles1 = new TRecentFiles(this);
    RecentFiles1->OnClick = [this](QObject* sender, int item, const std::string& name) {
        RecentFiles1Click(sender, item, name);
    };
    configure_main_recent_files(*RecentFiles1, Settings1, ProgId1);
    Form2 = new TForm2(
        setting_values(), [this] { settings_applied(); }, this);
}

void TForm1::create_measure_menu() {
    Measure1 = menuBar()->addMenu("&Measure");
    // Freehand and the nine curves of the spectra and the LTAS are one radio group; the
    // SLTAS items are plain check items.
    auto* radio = new QActionGroup(Measure1);
    radio->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (size_t k = 0; k < measure_items.size(); ++k) {
        QAction* item = Measure1->addAction(measure_items[k].caption);
        item->setObjectName(measure_items[k].name);
        item->setCheckable(true);
        if (k < measure_radio_items) {
            radio->addAction(item);
        }
        const int curve = measure_items[k].curve;
        connect(item, &QAction::triggered, this,
                [this, curve] { guarded([&] { fanalyser.set_measurecurveno(curve); }); });
        measureitems[k] = item;
    }
    N2 = Measure1->addSeparator();
    Snaptopeak1 = Measure1->addAction("Snap to peak");
    Snaptopeak1->setCheckable(true);
    connect(Snaptopeak1, &QAction::triggered, this,
            [this](bool checked) { guarded([&] { fanalyser.set_snaptopeak(checked); }); });
    Interpolate1 = Measure1->addAction("Interpolate");
    Interpolate1->setCheckable(true);
    connect(Interpolate1, &QAction::triggered, this,
            [this](bool checked) { guarded([&] { fanalyser.set_interpolate(checked); }); });
    create_transfer_item();
}

void TForm1::connect_devices() {
    auto* capture = new TDeviceWakeup([this] { pump_capture(); }, this);
    auto* playback = new TDeviceWakeup([this] { pump_playback(); }, this);
    fcomponents.MPCRecord1.set_wakeup(capture->function());
    fcomponents.MPCPlay1.set_wakeup(playback->function());
}

void TForm1::centre_on_screen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

// ---- layout ---------------------------------------------------------------------------

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && (watched == Panel1 || watched == Panel2)) {
        FormResize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize() {
    // Showing or hiding Panel2 resizes Panel1 at once, which calls this again.
    if (fresizing) {
        return;
    }
    fresizing = true;
    yaxis->move(panel_margin, yaxis->y());
    Panel2->setVisible(fanalyser.showwave);
    PaintBox2->setVisible(fanalyser.showwave);
    taxis->setVisible(fanalyser.showwave);
    const int left = yaxis->x() + yaxis->width();
    taxis->move(left, Panel2->height() - taxis->height() - axis_bottom_gap);
    PaintBox2->setGeometry(left, panel_margin, PaintBox2->width(),
                           std::max(1, taxis->y() - panel_margin));
    yaxis->move(yaxis->x(), panel_margin);
    xaxis->move(left, Panel1->height() - xaxis->height() - axis_bottom_gap);
    xaxis->set_Width(std::max(1, Panel1->width() - left - axis_bottom_gap));
    yaxis->set_Height(std::max(1, xaxis->y() - yaxis->y()));
    PaintBox1->setGeometry(left, panel_margin, xaxis->width(), yaxis->height());
    PaintBox2->resize(PaintBox1->width(), PaintBox2->height());
    taxis->set_Width(PaintBox2->width());
    PaintBox1->size_bitmap();
    PaintBox2->size_bitmap();
    fresizing = false;
}

} // namespace zevrin
