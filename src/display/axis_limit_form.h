#pragma once
// The small dialog in which the user types an axis's high and low values.

#include <QString>

#include <memory>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zevrin {

class TAxisLimitForm {
public:
    /// Builds the dialog; needs a running QApplication.
    TAxisLimitForm();
    ~TAxisLimitForm();
    TAxisLimitForm(const TAxisLimitForm&) = delete;
    TAxisLimitForm& operator=(const TAxisLimitForm&) = delete;

    /// The low value as typed; the value last given when the text is no finite
    /// number.
    double loval() const;
    /// Shows the value in the default float-to-text form and remembers it.
    void set_loval(double value);
    double hival() const;
    void set_hival(double value);

    /// Shows the dialog modally, centred on the screen; true when "&Ok" closed it.
    bool showmodal();

    QDialog* form() const { return form_.get(); }
    QLabel* Label1() const { return Label1_; }
    QLineEdit* Edit1() const { return Edit1_; }
    QLabel* Label2() const { return Label2_; }
    QLineEdit* Edit2() const { return Edit2_; }
    QPushButton* Button1() const { return Button1_; }
    QPushButton* Button2() const { return Button2_; }

private:
    double flovalue = 0.0;
    double fhivalue = 0.0;
    bool okclicked = false;
    std::unique_ptr<QDialog> form_;
    // Owned by form_.
    QLabel* Label1_ = nullptr;
    QLineEdit* Edit1_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLineEdit* Edit2_ = nullptr;
    QPushButton* Button1_ = nullptr;
    QPushButton* Button2_ = nullptr;
};

} // namespace zevrin
