#pragma once
// The four-page settings sheet, for the global record or for one site.
//
// A site's sheet locks its site from the moment it reads the values until it
// has closed and saved them: a session that needs a setting meanwhile waits
// for the sheet, never the other way round. OK passes every value through
// the record's set (so a site value equal to the global one is not pinned)
// and saves the record; Cancel changes nothing.

#include "settings/SettingsForm.h"
#include "site/SiteContext.h"

#include <QDialog>

#include <array>
#include <memory>
#include <string>

class QTabWidget;
class QWidget;

namespace varnix {

class LoginRegistry;
class Profile;

class SettingsSheet : public QDialog {
    Q_OBJECT

public:
    // "Global Settings": the global record, saved under the bare names.
    SettingsSheet(SettingsRecord& global, Profile& profile, QWidget* parent = nullptr);
    // "<identity> Settings": the site's own record, saved under its identity.
    SettingsSheet(const SiteHandle& site, Profile& profile, QWidget* parent = nullptr);
    ~SettingsSheet() override;

    // The entry points of the menus, the toolbar, the remote window and the
    // Site Manager. Each runs the sheet modally; true when it closed with OK.
    static bool editGlobal(QWidget* parent, Profile& profile, SettingsRecord& global = SettingsRecord::global());
    static bool editSite(QWidget* parent, const SiteHandle& site, Profile& profile);
    // A site that has no context yet (typed into the quick-connect bar or the
    // Site Manager): a temporary one loads its settings for the sheet and goes
    // when the sheet closes.
    static bool editTypedSite(QWidget* parent, const LoginData& typed, LoginRegistry& logins, Profile& profile,
                              const SettingsRecord& global = SettingsRecord::global());

    void accept() override;
    void reject() override;

private:
    SettingsSheet(SiteHandle site, SettingsRecord* global, Profile& profile, QWidget* parent);
    void build(const QString& titleWord);
    QWidget* buildPage(SettingsPage page);
    QWidget* buildControl(const SettingsField& field);
    void pageChanged(int index);
    void readControls(SettingsPage page);
    bool refuse(const FieldProblem& problem);
    void showPage(int index);
    void releaseSite();

    // Declared first: the lock is taken before anything reads the record.
    SiteHandle site_;
    std::unique_ptr<LockedAccess<SiteContext>> siteLock_;
    SettingsRecord& record_;
    std::string prefix_;
    Profile& profile_;
    SettingsForm form_;
    QTabWidget* pages_ = nullptr;
    std::array<QWidget*, kSettingsFields> controls_{};
    int shownPage_ = 0;
};

} // namespace varnix
