#include "app/qt/AboutDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace varnix {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(tr("About Varnix"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    icon->setAccessibleName(tr("Varnix"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    int row = 0;
    for (const QString& line : {tr("Varnix version 1.0"),
                                tr("A desktop FTP client: local and remote windows side by side, a transfer queue "
                                   "that retries, and site-to-site copies."),
                                tr("Copyright \u00A9 Tessik.")}) {
        auto* label = new QLabel(line, this);
        label->setWordWrap(true);
        label->setAccessibleName(line);
        grid->addWidget(label, row++, 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(tr("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    grid->addWidget(buttons, row, 0, 1, 2);
    setMinimumWidth(420);
}

} // namespace varnix
