#pragma once
// One QApplication for the whole test program, created on first use (offscreen platform).
#include <QApplication>
#include <clocale>
#include <cstdlib>

inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: QTest's input devices outlive any static application object.
    static QApplication* app = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return *app;
}
