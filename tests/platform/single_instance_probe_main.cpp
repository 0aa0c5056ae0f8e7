// single_instance_probe NAME: a program that runs once per NAME. The first start prints
// "PRIMERO" and then "ACTIVAR" for every later start; a later start prints "SEGUNDO" and ends.
#include "platform/single_instance.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    if (!instance.start()) {
        std::puts("SEGUNDO");
        return 0;
    }
    QObject::connect(&instance, &SingleInstance::activationRequested, [] {
        std::puts("ACTIVAR");
        std::fflush(stdout);
    });
    std::puts("PRIMERO");
    std::fflush(stdout);
    return app.exec();
}
