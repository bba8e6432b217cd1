// The spectrogram beside the main window: its menu item at the end of "Control", and
// what it learns from the engine and the axes. It only adds to the window: it draws
// nothing in it and changes no setting, so with the spectrogram closed the window is
// as it was.

#include "app/main_window.h"

#include "app/spectrogram_window.h"

#include <QAction>
#include <QMenu>

namespace zevrin {

namespace {

// Runs `after` whenever `event` runs, after what it did before.
void also(TAxis::ScaleEvent& event, const std::function<void()>& after) {
    event = [before = event, after](TAxis* sender) {
        if (before) {
            before(sender);
        }
        after();
    };
}

} // namespace

void TForm1::create_spectrogram() {
    SpectrogramForm = new TSpectrogramWindow(this);
    SpectrogramForm->setObjectName("SpectrogramForm");
    Spectrogram1 = Control1->addAction("Spectrogram");
    Spectrogram1->setObjectName("Spectrogram1");
    Spectrogram1->setCheckable(true);
    Spectrogram1->setShortcut(Qt::Key_F9);
    addAction(Spectrogram1);
    connect(Spectrogram1, &QAction::triggered, this,
            [this](bool checked) { SpectrogramForm->setVisible(checked); });
    const auto follow = [this] { SpectrogramForm->follow_axes(*xaxis, *yaxis); };
    SpectrogramForm->OnShownChanged = [this, follow](bool shown) {
        Spectrogram1->setChecked(shown);
        follow();
    };

    // A run sets running before it prepares its frames; a sound file does not.
    fanalyser.OnFramesStart = [this, follow] {
        follow();
        SpectrogramForm->frames_started(fanalyser, fanalyser.running());
    };
    fanalyser.OnFrame = [this] { SpectrogramForm->record_frame(fanalyser); };

    for (TAxis* axis : {xaxis, yaxis}) {
        also(axis->OnScaleChanging, follow);
        also(axis->OnScaleChanged, follow);
    }
    // The scale of an axis changes without notifying (a logarithmic scale switched on
    // by the settings), always together with something the engine reports.
    fanalyser.OnChange = [before = fanalyser.OnChange, follow](TAnalyserChange what) {
        before(what);
        follow();
    };
    follow();
}

} // namespace zevrin
