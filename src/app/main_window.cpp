#include "app/main_window.h"

#include "zevrin_version.h"

namespace zevrin {

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(product_name);
    resize(537, 561);
    setMinimumSize(300, 270);
}

} // namespace zevrin
