#include "browser/qt/dialogs/DeleteQuestion.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QMessageBox>

namespace varnix {

bool askDelete(QWidget* parent, const QString& question, bool& stopAsking)
{
    QMessageBox box(QMessageBox::Question, QObject::tr("Varnix - Delete"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setInformativeText(QObject::tr("A delete on the server cannot be undone."));
    auto* again = new QCheckBox(QObject::tr("Do not ask again"), &box);
    again->setAccessibleName(again->text());
    box.setCheckBox(again);
    for (QAbstractButton* button : box.buttons())
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    const bool yes = box.exec() == QMessageBox::Yes;
    stopAsking = again->isChecked();
    return yes;
}

} // namespace varnix
