#pragma once
// "About Varnix": the program's icon, its version and two lines about it.

#include <QDialog>

namespace varnix {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace varnix
