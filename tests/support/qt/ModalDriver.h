#pragma once
// Modal dialogs block the test in their own event loop; the steps a person
// takes inside one are queued first and run as soon as it shows.
//
//     whenModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Enter); });
//     QTest::mouseClick(okButton, Qt::LeftButton);   // opens the box

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace varnix::testing {

// Runs `act` on the next modal window to open above the one active now.
inline void whenModal(std::function<void(QWidget*)> act)
{
    QPointer<QWidget> below = QApplication::activeModalWidget();
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, below, ticks, act = std::move(act)] {
        QWidget* top = QApplication::activeModalWidget();
        if (!top || top == below || !top->isVisible()) {
            if (++*ticks == 1000) {  // ten seconds: the window never came
                timer->stop();
                timer->deleteLater();
                ADD_FAILURE() << "no modal window opened";
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(top);
    });
    timer->start();
}

// The first child of `root` with this accessible name, as a person finds a control by its label.
template <class T>
T* findNamed(QWidget* root, const QString& name)
{
    for (T* w : root->findChildren<T*>())
        if (w->accessibleName() == name)
            return w;
    return nullptr;
}

} // namespace varnix::testing
