// varnix [--local] [--connect]
//
// The desktop FTP client. --local opens a local window and --connect opens a
// connection to the site in the quick-connect bar as soon as the main window
// shows. VARNIX_PROFILE names a settings file to use instead of the user's.
// SIGTERM, SIGINT and SIGHUP close the main window as the user would, but
// without asking about running transfers.

#include "app/qt/Application.h"
#include "app/qt/MainWindow.h"
#include "app/qt/StopSignals.h"
#include "browser/qt/dialogs/CertificateDialog.h"
#include "browser/qt/dialogs/PlainFtpDialog.h"
#include "net/CertificateCheck.h"
#include "platform/qt/QSettingsProfile.h"
#include "platform/qt/QtDispatcher.h"
#include "session/CFTPSession.h"
#include "session/CertificateTrust.h"
#include "session/PlainFtpConsent.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QIcon>
#include <QThread>

#include <cstdlib>

using namespace varnix;

int main(int argc, char** argv)
{
    // Without TZ the C library re-reads the zone file on every time conversion.
    setenv("TZ", ":/etc/localtime", 0);
    QApplication qt(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessik"));
    QApplication::setApplicationName(QStringLiteral("Varnix"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("varnix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/varnix/varnix.png")));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Varnix, a desktop FTP client."));
    options.addHelpOption();
    options.addVersionOption();
    QCommandLineOption local(QStringLiteral("local"), QStringLiteral("Open a local window at start."));
    QCommandLineOption connect(QStringLiteral("connect"),
                               QStringLiteral("Connect at start to the site in the quick-connect bar."));
    options.addOptions({local, connect});
    options.process(qt);

    QtDispatcher dispatcher;
    QSettingsProfile profile;
    // A server certificate nobody vouches for is put to the user, over the
    // window that is active then.
    DialogCertificateAsker asker([] { return QApplication::activeWindow(); });
    CertificateTrust trust(profile, asker);
    installCertificateCheck(&trust);
    // So is a login in plain FTP on a site that would have used TLS.
    DialogPlainFtpAsker plainAsker([] { return QApplication::activeWindow(); });
    PlainFtpConsent plainConsent(profile, plainAsker);
    installPlainFtpCheck(&plainConsent);
    int status;
    {
        Application varnix(profile);
        MainWindow& frame = varnix.mainWindow();
        StopSignals stopSignals([&frame] { frame.closeWithoutAsking(); });
        frame.show();
        if (options.isSet(local))
            frame.openLocalWindow();
        if (options.isSet(connect))
            frame.newConnection();
        status = QApplication::exec();
    }
    // Released sessions say QUIT and end on their own threads; the trust they
    // may still consult goes only after them.
    QElapsedTimer waited;
    waited.start();
    while (CFTPSession::liveSessions() > 0 && waited.elapsed() < 5000) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    installCertificateCheck(nullptr);
    installPlainFtpCheck(nullptr);
    return status;
}
