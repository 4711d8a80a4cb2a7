#pragma once
// The quick-connect bar: "Host:", "Username:", "Password:" and "Port:" in
// one row. Enter in any field asks for a connection with what is typed;
// only picking a host from the drop-down list fills the other three fields
// from its history. The host box takes "host:port" and IPv6 addresses,
// bracketed or not (ConnectFields::typed).

#include "settings/ConnectHistory.h"

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace varnix {

class Profile;

class QuickConnectBar : public QWidget {
    Q_OBJECT
public:
    explicit QuickConnectBar(QWidget* parent = nullptr);

    void load(Profile& profile);
    void save(Profile& profile) const;

    ConnectFields fields() const;
    bool isIncomplete() const { return fields().isIncomplete(); }
    // The fields of a connection about to open; the host joins the history.
    ConnectFields makeConnection();
    // A connection made with the bar has logged in with these fields: its
    // host's history keeps them rather than those typed.
    void loggedIn(const ConnectFields& fields);

signals:
    void connectRequested();
    void fieldsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setFields(const ConnectFields& fields);
    void showHosts();
    void hostPicked(int index);
    bool hostBoxEvent(QEvent* event);

    ConnectHistory history_;
    bool leavingHost_ = false;
    QComboBox* host_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* port_;
};

} // namespace varnix
