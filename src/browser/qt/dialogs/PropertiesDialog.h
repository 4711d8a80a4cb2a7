#pragma once
// "Varnix - Properties": owner, group and the nine permission bits of one
// remote entry. The caller compares the result with the entry and posts
// Chown and Chmod for what changed.

#include "browser/remote/FileProperties.h"

#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QLineEdit;

namespace varnix {

class PropertiesDialog : public QDialog {
    Q_OBJECT

public:
    PropertiesDialog(const FileProperties& properties, QWidget* parent = nullptr);
    FileProperties properties() const;

    // The edited properties for OK, none for Cancel.
    static std::optional<FileProperties> ask(QWidget* parent, const FileProperties& properties);

private:
    FileProperties original_;
    std::array<QCheckBox*, 9> bits_{};
    QLineEdit* owner_ = nullptr;
    QLineEdit* group_ = nullptr;
};

} // namespace varnix
