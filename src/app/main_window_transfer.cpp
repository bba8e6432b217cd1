// The main window's way to the "Transfer function" window: an item of the "&Measure"
// menu below its curve items and options, and the window it opens.

#include "app/main_window.h"
#include "app/transfer_window.h"

#include <QAction>
#include <QMenu>

namespace zevrin {

void TForm1::create_transfer_item() {
    Measure1->addSeparator();
    TransferFunction1 = Measure1->addAction("Transfer function...");
    TransferFunction1->setObjectName("TransferFunction1");
    connect(TransferFunction1, &QAction::triggered, this, &TForm1::TransferFunction1Click);
}

void TForm1::TransferFunction1Click() {
    guarded([this] {
        if (TransferWindow1 == nullptr) {
            TransferWindow1 = new TTransferWindow(fanalyser, this);
            TransferWindow1->setObjectName("TransferWindow1");
        }
        TransferWindow1->show();
        TransferWindow1->raise();
        TransferWindow1->activateWindow();
    });
}

} // namespace zevrin
