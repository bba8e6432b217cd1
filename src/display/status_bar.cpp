#include "display/status_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace zevrin {

namespace {
constexpr int panel_gap = 2;
constexpr int text_indent = 2;
} // namespace

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
    setFixedHeight(bar_height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TStatusBar::add_panel(int width, bool ownerdraw) {
    fpanels.push_back(TPanel{width, ownerdraw, {}});
    update();
}

const std::string& TStatusBar::text(int panel) const {
    return fpanels.at(static_cast<size_t>(panel)).text;
}

void TStatusBar::set_text(int panel, const std::string& text) {
    TPanel& p = fpanels.at(static_cast<size_t>(panel));
    if (p.text != text) {
        p.text = text;
        update(panel_rect(panel));
    }
}

QRect TStatusBar::panel_rect(int panel) const {
    int left = 0;
    for (int i = 0; i < panel; ++i) {
        left += fpanels.at(static_cast<size_t>(i)).width;
    }
    const bool last = panel == panel_count() - 1;
    const int right = last ? width() : left + fpanels.at(static_cast<size_t>(panel)).width;
    return QRect(QPoint(left + 1, panel_gap), QPoint(right - panel_gap, height() - 2));
}

void TStatusBar::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    for (int i = 0; i < panel_count(); ++i) {
        const QRect r = panel_rect(i);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = r.adjusted(-1, -1, 1, 1);
        frame.lineWidth = 1;
        frame.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &p, this);
        const TPanel& panel = fpanels[static_cast<size_t>(i)];
        p.save();
        p.setClipRect(r);
        if (panel.ownerdraw) {
            if (OnDrawPanel) {
                OnDrawPanel(p, i, r);
            }
        } else {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(r.adjusted(text_indent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       QString::fromStdString(panel.text));
        }
        p.restore();
    }
}

} // namespace zevrin
