#pragma once
// The Site Manager: the tree of saved sites on the right, the selected
// entry's fields on the left. It edits a SiteListEdit; whoever opened it
// turns the copy back into the list when it closes with OK.

#include "settings/SiteListEdit.h"

#include <QDialog>

#include <optional>

class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidgetItem;

namespace varnix {

class LoginRegistry;
class Profile;
class SiteTree;

class SiteManagerDialog : public QDialog {
    Q_OBJECT

public:
    SiteManagerDialog(SiteListEdit& edit, Profile& profile, LoginRegistry& logins, QWidget* parent = nullptr);

    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildFields();
    void buildTree();
    void buildActions();
    void fillLevel(QTreeWidgetItem* under, int parent);
    void select(int index);
    void selectionMoved(QTreeWidgetItem* now);
    void storeFields();
    void fillFields();
    void enableFields();
    void typedIntoLogin();
    void anonymousClicked();
    void labelEdited(QTreeWidgetItem* item);
    void showContextMenu(const QPoint& at);
    void addEntry(bool folder, std::optional<int> clicked);
    void renameSelected();
    void deleteSelected();
    void openSettings();
    void dropped(int dragged, int target);

    SiteListEdit& edit_;
    Profile& profile_;
    LoginRegistry& logins_;
    int selected_ = -1;
    bool filling_ = false;

    SiteTree* tree_ = nullptr;
    QLineEdit* label_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* username_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* directory_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QCheckBox* anonymous_ = nullptr;
    QPushButton* settings_ = nullptr;
    QAction* rename_ = nullptr;
    QAction* delete_ = nullptr;
};

} // namespace varnix
