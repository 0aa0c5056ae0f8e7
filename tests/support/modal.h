#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

// Runs `act` on the next modal dialog of type T as soon as it shows (the test's own code is
// blocked in its exec()). Gives up after a few seconds.
template<class T>
void OnModal(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act = std::move(act)] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        } else if (++*tries > 1000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
}
