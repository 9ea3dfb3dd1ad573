// Driving modal dialogs from a test: work runs on the dialog of type T once
// the caller has opened it and blocks in its loop.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <functional>

template <typename T>
void whenOpen(std::function<void(T*)> work)
{
    QTimer::singleShot(0, [work] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "no dialog opened");
        const QPointer<T> open(dialog);
        work(dialog);
        // A failed check returns early: close the dialog so the test goes on.
        if (open && open->isVisible()) open->reject();
    });
}
