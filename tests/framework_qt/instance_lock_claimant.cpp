// A copy of a program, for the one-copy tests: `instance_lock_claimant TITLE` waits for a line
// on standard input (so that several copies can be released at the same moment), then asks
// LocalSocketInstanceLock for TITLE and prints "claimed" or "running copy exists". A copy that
// claimed the title prints "raised" each time a later copy asks it to come forward, and ends
// when its standard input closes.
#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "framework/qt/qt_host.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: instance_lock_claimant TITLE\n");
        return 2;
    }
    std::string line;
    if (!std::getline(std::cin, line)) return 2;

    corvane::fw::LocalSocketInstanceLock lock;
    const bool runningCopy = lock.RaiseRunningCopy(argv[1], [] {
        std::printf("raised\n");
        std::fflush(stdout);
    });
    std::printf("%s\n", runningCopy ? "running copy exists" : "claimed");
    std::fflush(stdout);
    if (runningCopy) return 0;

    std::thread input([&application] {
        std::string ignored;
        while (std::getline(std::cin, ignored)) {
        }
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    const int code = QCoreApplication::exec();
    input.join();
    return code;
}
