#include <csignal>
#include <cstdio>
#include <thread>

#include "testing/service/service_standin.h"

// Serves on loopback until interrupted. The first line of output is the service's host:port,
// for the program's TAVIMO_SERVICE_HOST; each request follows as one line.
int main() {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    fixtures::ServiceStandin standin;
    std::printf("%s\n", standin.host().c_str());
    std::fflush(stdout);

    std::jthread log([&](std::stop_token token) {
        std::size_t shown = 0;
        while (!token.stop_requested()) {
            if (standin.server().waitForRequests(shown + 1, fixtures::Milliseconds(200))) {
                auto lines = standin.requestLines();
                for (; shown < lines.size(); ++shown) std::printf("%s\n", lines[shown].c_str());
                std::fflush(stdout);
            }
        }
    });
    int signal = 0;
    sigwait(&stop, &signal);
    return 0;
}
