#pragma once
// "Varnix - Rename": a new name for a clashing upload or site-to-site
// destination. The text comes back exactly as typed, without trimming.

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;

namespace varnix {

class RenameDialog : public QDialog {
    Q_OBJECT

public:
    RenameDialog(const std::string& name, QWidget* parent = nullptr);
    std::string name() const;

    // The edited name for OK, none for Cancel.
    static std::optional<std::string> ask(QWidget* parent, const std::string& name);

private:
    std::string original_;
    QLineEdit* name_ = nullptr;
};

} // namespace varnix
