#pragma once
// "Varnix - Confirm Action": what to do with a transfer whose destination
// exists. Every click goes through the record's click rules and then the
// controls are reloaded from the record, so they always show what it holds.
// Cancel keeps the choices made and sets skip, which later items answered
// "for all selected" also obey.

#include "queue/ConflictChoice.h"

#include <QDialog>

#include <string_view>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QRadioButton;

namespace varnix {

class ConfirmActionDialog : public QDialog {
    Q_OBJECT

public:
    ConfirmActionDialog(ConflictChoice& choice, std::string_view destination, QWidget* parent = nullptr);

    // True for OK; the record is updated either way.
    static bool ask(QWidget* parent, ConflictChoice& choice, std::string_view destination);

    void accept() override;
    void reject() override;

private:
    void click(void (ConflictChoice::*rule)());
    void load();
    void store();

    ConflictChoice& choice_;
    QLabel* message_ = nullptr;
    QRadioButton* resume_ = nullptr;
    QRadioButton* overwrite_ = nullptr;
    QRadioButton* rename_ = nullptr;
    QCheckBox* onlyNewer_ = nullptr;
    QCheckBox* applyToAll_ = nullptr;
};

} // namespace varnix
