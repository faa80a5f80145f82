// A Windows program that does nothing for half an hour (or, with --ready, at once), run under
// Wine by wine_session.sh to hold a Wine session open while a build's tests run. Ended by the
// session's end (wineserver -k), or by itself should a run be cut short.
#include <chrono>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--ready") == 0) return 0;
    std::this_thread::sleep_for(std::chrono::minutes(30));
    return 0;
}
