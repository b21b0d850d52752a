// The progress line on standard error, drawn with carriage returns and "erase to end of line".
#include "sheet/run/progress.hpp"

#include <sys/ioctl.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sheet {

namespace {

constexpr char erase_line[] = "\r\033[K";

// The descriptor of the line while one is shown, else -1: what a signal handler needs to erase
// it, as only a plain word can be read there.
std::atomic<int> shown_on{-1};

// Columns of the terminal on descriptor (80 when it cannot tell): a line that wrapped could not
// be redrawn in place.
std::size_t columns(int descriptor) {
    winsize size{};
    if (::ioctl(descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace

bool progress::wanted(const options& o) {
    if (o.quiet || ::isatty(STDERR_FILENO) != 1) return false;
    const char* term = std::getenv("TERM");
    return term == nullptr || std::strcmp(term, "dumb") != 0;
}

progress::progress(double tolerance, clock::time_point start, int descriptor)
    : tolerance_(tolerance), start_(start), next_(start + interval), descriptor_(descriptor) {}

std::string status_text(std::int32_t iteration, double energy, double residual, double tolerance,
                        double elapsed) {
    char clock_text[32];
    const long tenths = static_cast<long>(elapsed * 10.0);
    if (tenths < 36000) {
        std::snprintf(clock_text, sizeof clock_text, "%ld:%02ld.%ld", tenths / 600,
                      tenths % 600 / 10, tenths % 10);
    } else {
        const long seconds = tenths / 10;
        std::snprintf(clock_text, sizeof clock_text, "%ld:%02ld:%02ld", seconds / 3600,
                      seconds % 3600 / 60, seconds % 60);
    }
    char text[160];
    std::snprintf(text, sizeof text, "iteration %d  energy %.6E  max residual %.1E / %.1E  %s",
                  static_cast<int>(iteration), energy, residual, tolerance, clock_text);
    return text;
}

void progress::draw(std::int32_t iteration, double energy, double residual, clock::time_point now) {
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::string text = status_text(iteration, energy, residual, tolerance_, elapsed);
    const std::size_t width = columns(descriptor_) - 1;  // the last column would wrap on some
    if (text.size() > width) text.resize(width);
    // Known to the handler of an interrupt before it is drawn, and until after it is erased:
    // erasing a line not yet drawn does no harm, leaving one drawn would.
    shown_on.store(descriptor_);
    write("\r" + text + "\033[K\r");
    shown_ = true;
    next_ = now + interval;
}

void progress::erase() {
    if (!shown_) return;
    write(erase_line);
    shown_on.store(-1);
    shown_ = false;
}

void progress::erase_after_signal() noexcept {
    const int descriptor = shown_on.load();
    if (descriptor >= 0) (void)!::write(descriptor, erase_line, sizeof erase_line - 1);
}

void progress::write(const std::string& text) const {
    const char* at = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor_, at, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // a status line is not worth failing the run for
        at += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace sheet
