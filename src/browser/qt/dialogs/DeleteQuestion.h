#pragma once
// The question before rows are deleted on a server: Yes or No, with "Do not
// ask again" for those who want their deletes done at once. No is the
// default button: nothing deleted on a server can be taken back.

#include <QString>

class QWidget;

namespace varnix {

// True for Yes; `stopAsking` tells whether the box was ticked.
bool askDelete(QWidget* parent, const QString& question, bool& stopAsking);

} // namespace varnix
