#pragma once

#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

// A window's child by objectName; a missing one fails the test (and gives null).
template<class T>
T *Find(QWidget *window, const char *name)
{
    auto *w = window->findChild<T *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

inline void Click(QWidget *window, const char *button)
{
    if (auto *b = Find<QPushButton>(window, button))
        b->click();
}
