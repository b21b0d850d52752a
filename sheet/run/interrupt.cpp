// The handler of SIGINT and SIGTERM. It runs with the program stopped at any point, so it calls
// only async-signal-safe functions on data prepared beforehand.
#include "sheet/run/interrupt.hpp"

#include <unistd.h>
#include <csignal>

#include "sheet/output/temporaries.hpp"
#include "sheet/run/progress.hpp"

namespace sheet {

namespace {

extern "C" void on_interrupt(int signal) {
    progress::erase_after_signal();
    temporaries::remove_all();
    // SA_RESETHAND has restored the default action and SA_NODEFER leaves the signal unblocked,
    // so raising it again ends the process at once, as killed by it.
    ::raise(signal);
    ::_exit(128 + signal);
}

}  // namespace

void clean_up_on_interrupt() {
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction present {};
        if (::sigaction(signal, nullptr, &present) == 0 && present.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = on_interrupt;
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        // The other signal waits while the handler runs, so the two never clean up at once.
        sigemptyset(&action.sa_mask);
        sigaddset(&action.sa_mask, signal == SIGINT ? SIGTERM : SIGINT);
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace sheet
