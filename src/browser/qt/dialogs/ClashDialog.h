#pragma once
// "Varnix - File Exists": what to do with a dropped file or folder whose
// name is taken in the folder it is copied into. Replace, Skip, Keep Both
// (under a new name) or Cancel (the whole drop), with "Apply to all" for
// the clashes still to come. A file and a folder never replace each other,
// so Replace is not offered between them.

#include "browser/local/LocalCopy.h"

#include <QDialog>

class QCheckBox;

namespace varnix {

class ClashDialog : public QDialog {
    Q_OBJECT
public:
    ClashDialog(const Clash& clash, QWidget* parent = nullptr);

    ClashAnswer answer() const { return answer_; }
    bool applyToAll() const;

    // Esc and closing the dialog cancel.
    static ClashAnswer ask(QWidget* parent, const Clash& clash, bool& applyToAll);

private:
    QCheckBox* applyToAll_ = nullptr;
    ClashAnswer answer_ = ClashAnswer::Cancel;
};

// The questions of one drop, asked above `parent`.
class DialogClashQuestion : public ClashQuestion {
public:
    explicit DialogClashQuestion(QWidget* parent) : parent_(parent) {}
    ClashAnswer ask(const Clash& clash, bool& applyToAll) override;

private:
    QWidget* parent_;
};

} // namespace varnix
