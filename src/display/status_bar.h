#pragma once
// TStatusBar: a status bar of panels side by side, each of a given width and the last
// one reaching to the right edge. A panel shows its text, or is drawn by its owner
// through OnDrawPanel. GUI thread only.

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QPainter;

namespace zevrin {

class TStatusBar : public QWidget {
    Q_OBJECT

public:
    using DrawPanel = std::function<void(QPainter& painter, int panel, const QRect& rect)>;

    static constexpr int bar_height = 19;

    explicit TStatusBar(QWidget* parent = nullptr);

    /// Appends a panel of `width` pixels; an owner-drawn one is left to OnDrawPanel.
    void add_panel(int width, bool ownerdraw = false);
    int panel_count() const { return static_cast<int>(fpanels.size()); }
    const std::string& text(int panel) const;
    /// Changes the text; the bar repaints when it next can.
    void set_text(int panel, const std::string& text);
    /// Where the panel is drawn, inside its border.
    QRect panel_rect(int panel) const;

    DrawPanel OnDrawPanel;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct TPanel {
        int width = 0;
        bool ownerdraw = false;
        std::string text;
    };
    std::vector<TPanel> fpanels;
};

} // namespace zevrin
