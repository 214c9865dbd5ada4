// The yardstick of the start-up bench: the smallest Qt Widgets program, a window with a label,
// shown until its first paint (KB_EXIT_AFTER_FIRST_PAINT) as the program is.
#include <QApplication>
#include <QLabel>

#include "app/ui/first_paint.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QLabel hello(QStringLiteral("Hello"));
    kb::ExitAfterFirstPaint(hello);
    hello.show();
    return application.exec();
}
